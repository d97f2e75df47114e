// Files and folders: saving, opening, copying, moving, deleting, backups, and file facts.
#pragma once

#include "core/cmd_data.h"

namespace qel {

CommandFn cmdSave, cmdAppendSave, cmdOpen, cmdMove, cmdCopy, cmdDelete, cmdRename,
    cmdChangeAttributes, cmdCreate, cmdBackup, cmdSaveDictionary, cmdInitDictionary, setWorkFolder;
FunctionFn fnOpen, fnFileSearch, fnFolderSearch, fnDriveSearch, fnFileSize, fnFileDate,
    fnFileAttributes, fnFolderOnly, fnNameOnly, fnExtensionOnly, fnFileList, fnFolderList,
    fnDriveList, fnAllFiles, fnAllFolders, fnWorkFolder, fnRelativePath, fnWindowsFolder,
    fnSystemFolder, fnTempFolder, fnDesktopFolder, fnDocumentsFolder, fnFavoritesFolder,
    fnStartMenuFolder, fnProgramsFolder, fnStartupFolder, fnSendToFolder, fnScriptFolder,
    fnFileSizeText, fnAppFileName, fnProgramFilesFolder;

}  // namespace qel
