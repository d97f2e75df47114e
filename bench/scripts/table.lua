local t = {}
for r = 1, 180000 do
  local row = {}
  for c = 1, 10 do row[c] = r * c end
  t[r] = row
end
local total = 0
for r = 1, 180000 do
  for c = 1, 10 do total = total + t[r][c] end
end
print(total)
