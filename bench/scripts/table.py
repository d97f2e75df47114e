table = [[0] * 10 for _ in range(180000)]
for r in range(1, 180001):
    for c in range(1, 11):
        table[r - 1][c - 1] = r * c
total = 0
for r in range(1, 180001):
    for c in range(1, 11):
        total = total + table[r - 1][c - 1]
print(total)
