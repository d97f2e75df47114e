local prices = {}
for i = 1, 600000 do
  prices["item" .. i] = i
end
local total = 0
for i = 1, 600000 do
  total = total + prices["item" .. i]
end
print(total)
