#!/usr/bin/env python3
"""QebReal against Python's decimal module under the same 52-digit context:
operands of every kind (short, 52 digits, 53 to 60, zeros with exponents,
extreme exponents, infinities, NaN) through the driver command given as
the arguments (an emulator first, when there is one); value, representation,
normal form and flags must agree."""
import decimal
import random
import struct
import subprocess
import sys
from decimal import Decimal

SEED = 192
PAIRS = 700
ERRORS = (decimal.DivisionByZero, decimal.InvalidOperation, decimal.Overflow,
          decimal.Underflow)


def context():
    return decimal.Context(prec=52, Emax=98304, Emin=-98303, clamp=1,
                           rounding=decimal.ROUND_HALF_EVEN, traps=[])


def digits(rng, n):
    return str(rng.randint(1, 9)) + ''.join(rng.choice('0123456789') for _ in range(n - 1))


def number(rng, n, exponent):
    sign = rng.choice(['', '', '-'])
    return '%s%sE%+d' % (sign, digits(rng, n), exponent)


def operand(rng):
    kind = rng.randrange(10)
    if kind <= 2:
        return number(rng, rng.randint(1, 7), rng.randint(-9, 6))
    if kind == 3:
        return number(rng, 52, rng.randint(-70, 20))
    if kind == 4:
        return number(rng, rng.randint(53, 60), rng.randint(-70, 20))
    if kind == 5:
        return rng.choice(['', '-']) + '0E%+d' % rng.choice([0, 0, 3, -3, 60, -60, 98300, -98400])
    if kind == 6:
        n = rng.randint(1, 52)
        return number(rng, n, rng.choice([98253, 98304 - n + 1, 98300, 98305 - n, -98354,
                                          -98354 + rng.randint(0, 60), -98360 - n]))
    if kind == 7:
        return rng.choice(['Infinity', '-Infinity', 'NaN', '-0', '1', '0.5', '-2.5', '1E+52'])
    if kind == 8:
        # Plain notation: leading and trailing zeros, a point anywhere.
        text = '0' * rng.randint(0, 3) + digits(rng, rng.randint(1, 24)) + '0' * rng.randint(0, 3)
        point = rng.randint(0, len(text))
        return rng.choice(['', '-', '+']) + text[:point] + '.' + text[point:]
    # Integers and near-integers, where floor, ceiling and modulo differ.
    return '%s%d.%d' % (rng.choice(['', '-']), rng.randint(0, 10**6), rng.choice([0, 5, 49, 51]))


def create(text):  # the driver's null is the plain NaN
    value = context().create_decimal(text)
    return Decimal('NaN') if value.is_nan() else value


def normal(value):
    if value.is_nan():
        return 'null'
    c = context()
    return str(c.add(c.normalize(value), Decimal(0)))


def flag(b):
    return '1' if b else '0'


def failed(c):
    return not c.flags[decimal.Inexact] and any(c.flags[e] for e in ERRORS)


def arithmetic(name):
    def expect(a, b):
        c = context()
        r = getattr(c, name)(create(a), create(b))
        return [str(r), normal(r), flag(c.flags[decimal.Inexact]), flag(failed(c))]
    return expect


def modulo(a, b):
    c = context()
    r = c.remainder_near(create(a), create(b))
    if any(c.flags[e] for e in ERRORS):
        r = Decimal('NaN')
    return [str(r), normal(r)]


def integral(rounding):
    def expect(a):
        c = context()
        c.rounding = rounding
        r = c.to_integral_value(create(a))
        return [str(r), normal(r)]
    return expect


def root(a):
    x, c = create(a), context()
    r = None if x.is_nan() else c.sqrt(x)
    if r is None or c.flags[decimal.InvalidOperation]:
        return ['NaN', 'null', '0', '1']
    truncated = any(c.flags[s] for s in (decimal.Inexact, decimal.Overflow, decimal.Underflow))
    return [str(r), normal(r), flag(truncated), '0']


def rounded(a, places):
    x = create(a)
    if int(places) != 0:
        x = context().quantize(x, Decimal((0, (1,), -int(places))))
    return [str(x), normal(x)]


def compare(a, b):
    r = context().compare(create(a), create(b))
    return ['1' if r.is_nan() or r > 0 else '-1' if r < 0 else '0']


def to_int64(a):
    x = create(a)
    if not x.is_finite() or (not x.is_zero() and x.adjusted() > 19):
        return ['0', '1']
    n = int(x.to_integral_value(rounding=decimal.ROUND_FLOOR, context=context()))
    if not -2**63 <= n < 2**63:
        return ['0', '1']
    return [str(n), '0']


def to_double(a):
    x = create(a)
    return ['0x0p+0', '1'] if x.is_nan() else [float(x).hex(), '0']


def read(text):
    c = context()
    x = c.create_decimal(text)
    truncated = c.flags[decimal.Inexact]
    x = context().normalize(x)
    return [str(x), normal(x), flag(truncated)]


def norm(a):
    x = create(a)
    return ['NaN' if x.is_nan() else normal(x), normal(x)]


def from_double(bits):
    d = struct.unpack('<d', struct.pack('<Q', bits))[0]
    return ['null'] if d != d else [normal(context().create_decimal(repr(d)))]


def same_raw(got, want):
    if want.endswith('NaN') or got.endswith('NaN'):
        return want.endswith('NaN') and got.endswith('NaN')
    return got == want


def same_double(got, want):
    try:
        return float.fromhex(got) == float.fromhex(want) and (
            got.startswith('-') == want.startswith('-'))
    except ValueError:
        return False


def cases(rng):
    binary = {'add': arithmetic('add'), 'sub': arithmetic('subtract'),
              'mul': arithmetic('multiply'), 'div': arithmetic('divide'),
              'rem': modulo, 'cmp': compare}
    unary = {'floor': integral(decimal.ROUND_FLOOR), 'ceil': integral(decimal.ROUND_CEILING),
             'sqrt': root, 'int': to_int64, 'dbl': to_double, 'norm': norm}
    for _ in range(PAIRS):
        a, b = operand(rng), operand(rng)
        for op, expect in binary.items():
            yield [op, a, b], expect(a, b)
        for op, expect in unary.items():
            yield [op, a], expect(a)
        places = str(rng.randint(-8, 60))
        yield ['round', a, places], rounded(a, places)
        yield ['read', a], read(a)
        bits = rng.getrandbits(64)
        d = struct.unpack('<d', struct.pack('<Q', bits))[0]
        yield ['fromdbl', d.hex()], from_double(bits)
    # Text that is not a number, or only nearly one.
    for text in ['abc', '1.2.3', '', ' 1', '1 ', '1e', 'E5', '+', '-', '.', '-.', '.e1', '1_000',
                 'Inf1', 'NaN12x', '0x10', '1E+99999999999', '-1E-99999999999', '.5', '5.',
                 '+.5e-3', '007.50', '-0.000', '1E-0', '1E0000005', '1e+', '1e-x', '1..2', '--1',
                 '12345678901234567890', '123456789012345678', '1234567890123456789', 'sNaN',
                 '-Infinity', 'inFinity', 'nan', '1' * 200, '0.' + '0' * 100 + '1']:
        if not text.strip() == text or '_' in text:
            yield ['read', text], ['NaN', 'null', '0']
        else:
            yield ['read', text], read(text)


def main():
    rng = random.Random(SEED)
    inputs, expected = [], []
    for fields, want in cases(rng):
        inputs.append('\t'.join(fields))
        expected.append(want)
    out = subprocess.run(sys.argv[1:], input='\n'.join(inputs) + '\n', capture_output=True,
                         text=True, check=True).stdout.split('\n')
    mismatches = 0
    for line, want, got in zip(inputs, expected, out):
        got = got.split('\t')
        op = line.split('\t')[0]
        if op == 'dbl':
            ok = len(got) == 2 and same_double(got[0], want[0]) and got[1] == want[1]
        elif op in ('cmp', 'int', 'fromdbl'):
            ok = got == want
        else:
            ok = len(got) == len(want) and same_raw(got[0], want[0]) and got[1:] == want[1:]
        if not ok:
            mismatches += 1
            if mismatches <= 30:
                print('%r\n  got      %r\n  expected %r' % (line, got, want))
    print('%d cases, %d mismatches' % (len(inputs), mismatches))
    return 1 if mismatches or len(out) < len(inputs) else 0


if __name__ == '__main__':
    sys.exit(main())
