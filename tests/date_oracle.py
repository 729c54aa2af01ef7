"""Random date-times across years 1 to 9999 with what Python's calendar says
of them: y m d h mi s ms, day number since 1899-12-30, weekday (0 Sunday)."""
import datetime
import random
import sys

count = int(sys.argv[1]) if len(sys.argv) > 1 else 5000
rng = random.Random(20261206)
first = datetime.datetime(1, 1, 1).toordinal()
last = datetime.datetime(9999, 12, 31).toordinal()
edges = [first, first + 1, last - 1, last, 693594, 693593, 693595,
         datetime.date(1900, 2, 28).toordinal(), datetime.date(2000, 2, 29).toordinal()]
for i in range(count):
    ordinal = edges[i] if i < len(edges) else rng.randint(first, last)
    date = datetime.date.fromordinal(ordinal)
    h, mi, s, ms = rng.randint(0, 23), rng.randint(0, 59), rng.randint(0, 59), rng.randint(0, 999)
    if i % 10 == 0:
        h, mi, s, ms = (23, 59, 59, 999) if i % 20 == 0 else (0, 0, 0, 0)
    print(date.year, date.month, date.day, h, mi, s, ms,
          ordinal - 693594, (date.weekday() + 1) % 7)
