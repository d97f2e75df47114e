s = ""
for _ in range(100000):
    s = s + "あ"
print(len(s))
