# Writes rows.csv for the csv benchmark: 100,000 rows of four cells
# (number, name, price, group), lines ending in CR LF.
import sys

path = sys.argv[1] if len(sys.argv) > 1 else "rows.csv"
with open(path, "w", newline="") as f:
    for i in range(1, 100001):
        f.write(f"{i},item{i},{i * 7 % 1000},group{i % 10}\r\n")
