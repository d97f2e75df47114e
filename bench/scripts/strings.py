text = "今日は良い天気です。明日も良い天気でしょう。"
total = 0
for _ in range(1000000):
    total = total + len(text) + text.find("明日") + 1
    changed = text.replace("天気", "空")
    total = total + len(changed[:5] + changed[-3:] + changed[2:6])
print(total)
