-- Lua strings are immutable and s = s .. x copies: a Lua programmer builds
-- a long text in a table and joins it once.
local parts = {}
for i = 1, 10000000 do
  parts[i] = "あ"
end
local s = table.concat(parts)
print(utf8.len(s))
