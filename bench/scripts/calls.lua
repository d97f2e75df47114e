local function add(a, b, c)
  return a + b + c
end
local total = 0
for i = 1, 5000000 do
  total = total + add(i, 2, 3)
end
print(total)
