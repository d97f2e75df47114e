import csv

with open("rows.csv", newline="") as f:
    rows = list(csv.reader(f))
count = 0
for i in range(1, 51):
    key = "item" + str(i * 1999)
    found = [n for n, row in enumerate(rows, 1) if row[1] == key]
    count = count + int(",".join(str(n) for n in found))
    column = ",".join(row[2] for row in rows)
    count = count + len(column)
print(count)
