local rows = {}
for line in io.lines("rows.csv") do
  line = line:gsub("\r$", "")
  local row = {}
  for cell in line:gmatch("[^,]*") do row[#row + 1] = cell end
  rows[#rows + 1] = row
end
local count = 0
for i = 1, 50 do
  local key = "item" .. (i * 1999)
  local found = {}
  for n, row in ipairs(rows) do
    if row[2] == key then found[#found + 1] = n end
  end
  count = count + tonumber(table.concat(found, ","))
  local column = {}
  for n, row in ipairs(rows) do column[n] = row[3] end
  count = count + #table.concat(column, ",")
end
print(count)
