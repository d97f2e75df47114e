local Button = {}
Button.__index = Button

function Button.new()
  return setmetatable({ _width = 80 }, Button)
end

function Button:width()
  return self._width
end

function Button:setWidth(value)
  self._width = math.max(0, math.min(16777215, math.floor(value + 0.5)))
end

local button = Button.new()
local total = 0
for i = 1, 2000000 do
  button:setWidth(i)
  total = total + button:width()
end
print(string.format("%d", total))
