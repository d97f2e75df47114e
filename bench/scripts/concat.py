# A Python programmer joins pieces rather than adding to a long str: CPython
# copies a non-ASCII str on every +, which makes 10,000,000 additions run for
# minutes.
parts = []
for _ in range(10000000):
    parts.append("あ")
s = "".join(parts)
print(len(s))
