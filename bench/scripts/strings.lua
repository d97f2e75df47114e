-- Lua's string functions count bytes; utf8 offsets make them count characters.
local function sub(s, i, j)
  local a = utf8.offset(s, i)
  local b = j and (utf8.offset(s, j + 1) or #s + 1) - 1 or #s
  return string.sub(s, a, b)
end
local text = "今日は良い天気です。明日も良い天気でしょう。"
local total = 0
for _ = 1, 1000000 do
  local at = string.find(text, "明日", 1, true)
  total = total + utf8.len(text) + utf8.len(string.sub(text, 1, at - 1)) + 1
  local changed = string.gsub(text, "天気", "空")
  local n = utf8.len(changed)
  total = total + utf8.len(sub(changed, 1, 5) .. sub(changed, n - 2) .. sub(changed, 3, 6))
end
print(total)
