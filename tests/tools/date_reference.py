#!/usr/bin/env python3
"""Checks the date functions against Python's own calendar.

Builds a script of 日付計算, 日付差, 曜日, 曜日名 and 書式 calls on fixed,
reproducible dates (month ends, leap days, year ends and a random sample),
runs it on the console host, and compares every shown value with what
Python's datetime computes for the same question.

usage: date_reference.py QELSCRIPT
"""
import calendar
import datetime
import os
import random
import subprocess
import sys
import tempfile

WEEKDAYS = ["日曜日", "月曜日", "火曜日", "水曜日", "木曜日", "金曜日", "土曜日"]


def add_months(d, months):
    """Months added with the day held to the target month's last day."""
    index = d.year * 12 + (d.month - 1) + months
    year, month = divmod(index, 12)
    month += 1
    day = min(d.day, calendar.monthrange(year, month)[1])
    return d.replace(year=year, month=month, day=day)


def whole_months(a, b):
    """Largest n (toward zero) with add_months(a, n) not passing b."""
    n = 0
    if b >= a:
        while add_months(a, n + 1) <= b:
            n += 1
    else:
        while add_months(a, n - 1) >= b:
            n -= 1
    return n


def trunc_div(a, b):
    q = abs(a) // b
    return q if a >= 0 else -q


def sunday_first(d):
    return (d.isoweekday() % 7) + 1  # 1 = Sunday


def fmt(d, with_time):
    # strftime writes year 1 as "1", which would read as a two-digit year.
    text = f"{d.year:04d}/{d.month:02d}/{d.day:02d}"
    return text + d.strftime(" %H:%M:%S") if with_time else text


def dates():
    rng = random.Random(20261208)
    fixed = [
        datetime.datetime(2024, 2, 29), datetime.datetime(2023, 2, 28), datetime.datetime(2000, 2, 29),
        datetime.datetime(1900, 2, 28), datetime.datetime(2100, 2, 28), datetime.datetime(2026, 1, 31),
        datetime.datetime(2026, 12, 31), datetime.datetime(2026, 3, 31), datetime.datetime(1999, 12, 31),
        datetime.datetime(2026, 12, 8), datetime.datetime(1, 1, 1), datetime.datetime(9999, 12, 1),
    ]
    sample = []
    for _ in range(60):
        year = rng.randint(1800, 2200)
        month = rng.randint(1, 12)
        day = rng.randint(1, calendar.monthrange(year, month)[1])
        sample.append(datetime.datetime(year, month, day, rng.randint(0, 23), rng.randint(0, 59),
                                        rng.randint(0, 59)))
    return fixed, sample, rng


def build_cases():
    fixed, sample, rng = dates()
    cases = []  # (script expression, expected text)
    for d in fixed + sample:
        with_time = d.time() != datetime.time(0)
        src = fmt(d, with_time)
        cases.append((f"曜日(「{src}」)", str(sunday_first(d))))
        cases.append((f"曜日名(「{src}」)", WEEKDAYS[sunday_first(d) - 1]))
        cases.append((f"書式(「{src}」,「yyyy/mm/dd aaaa」)",
                      fmt(d, False) + " " + WEEKDAYS[sunday_first(d) - 1]))
        for amount in (1, -1, 12, -13, 25):
            try:
                cases.append((f"日付計算(「{src}」,{amount},「月」)", fmt(add_months(d, amount), with_time)))
                cases.append((f"日付計算(「{src}」,{amount},「年」)", fmt(add_months(d, 12 * amount), with_time)))
            except ValueError:
                pass
        for amount, unit, delta, timed in ((1, "日", datetime.timedelta(days=1), False),
                                            (-400, "日", datetime.timedelta(days=-400), False),
                                            (3, "週", datetime.timedelta(weeks=3), False),
                                            (30, "時", datetime.timedelta(hours=30), True),
                                            (-90, "分", datetime.timedelta(minutes=-90), True),
                                            (100000, "秒", datetime.timedelta(seconds=100000), True)):
            try:
                cases.append((f"日付計算(「{src}」,{amount},「{unit}」)", fmt(d + delta, with_time or timed)))
            except OverflowError:
                pass
    pairs = list(zip(sample[::2], sample[1::2])) + [
        (datetime.datetime(2026, 1, 31), datetime.datetime(2026, 2, 28)),
        (datetime.datetime(2000, 2, 29), datetime.datetime(2026, 2, 28)),
        (datetime.datetime(2024, 3, 31), datetime.datetime(2024, 2, 29)),
    ]
    for a, b in pairs:
        sa, sb = fmt(a, a.time() != datetime.time(0)), fmt(b, b.time() != datetime.time(0))
        seconds = int((b - a).total_seconds())
        months = whole_months(a, b)
        expected = {
            "年": trunc_div(months, 12) if months >= 0 else -((-months) // 12),
            "月": months,
            "週": trunc_div(seconds, 7 * 86400),
            "日": trunc_div(seconds, 86400),
            "時": trunc_div(seconds, 3600),
            "分": trunc_div(seconds, 60),
            "秒": seconds,
        }
        for unit, value in expected.items():
            cases.append((f"日付差(「{sa}」,「{sb}」,「{unit}」)", str(value)))
    return cases


def main():
    qelscript = sys.argv[1]
    cases = build_cases()
    with tempfile.TemporaryDirectory() as work:
        script = os.path.join(work, "dates.qel")
        transcript = os.path.join(work, "transcript")
        with open(script, "w", encoding="utf-8") as f:
            for expression, _ in cases:
                f.write(f"{expression}を表示\n")
        subprocess.run([qelscript, "--console", "--transcript", transcript, script],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL,
                       timeout=120, check=False)
        with open(transcript, encoding="utf-8") as f:
            lines = [line.rstrip("\n").split("\t") for line in f]
    shown = [fields[3] for fields in lines]
    failures = 0
    if len(shown) != len(cases):
        print(f"{len(cases)} values asked, {len(shown)} boxes shown")
        failures += 1
    for (expression, expected), got in zip(cases, shown):
        if got != expected:
            failures += 1
            if failures <= 20:
                print(f"{expression}: expected {expected}, got {got}")
    print(f"{len(cases) - failures} passed, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
