" Qelscript scripts (.qel) and libraries (.qlb).
autocmd BufRead,BufNewFile *.qel,*.qlb setfiletype qelscript
