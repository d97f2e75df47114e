def add(a, b, c):
    return a + b + c


total = 0
for i in range(1, 5000001):
    total = total + add(i, 2, 3)
print(total)
