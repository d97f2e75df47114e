class Button:
    def __init__(self):
        self._width = 80

    @property
    def width(self):
        return self._width

    @width.setter
    def width(self, value):
        self._width = max(0, min(16777215, round(value)))


button = Button()
total = 0
for i in range(1, 2000001):
    button.width = i
    total = total + button.width
print(total)
