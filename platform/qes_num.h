// String library: number parsers.
//
// Syntax, the same in every locale:
//   integers: [blanks] [+|-] digits [blanks]
//   doubles:  [blanks] [+|-] (digits [. [digits]] | . digits) [(e|E) [+|-] digits] [blanks]
// Blanks are spaces and tabs; digits are '0' to '9'. No hexadecimal, no
// "inf" or "nan", no thousands separators.
//
// Results: 1 with *result set; 0 when the text is not of that syntax (an
// empty or blank text, trailing garbage); -1 when the value is out of range
// (for doubles: overflows, or underflows to zero from non-zero digits).
// *result is left unchanged on failure.
#ifndef QES_NUM_H
#define QES_NUM_H

// base: 0 or 10 for decimal; the only accepted values. reserved: pass 0.
int qes_numparse(const char *text, int *result, int base, int reserved);
int qes_numparse64(const char *text, long long *result, int base, int reserved);
int qes_numparsedbl(const char *text, double *result);

#endif
