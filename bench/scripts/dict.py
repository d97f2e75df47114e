prices = {}
for i in range(1, 600001):
    prices["item" + str(i)] = i
total = 0
for i in range(1, 600001):
    total = total + prices["item" + str(i)]
print(total)
