// The date library's composition and decomposition as they were on the
// standard library's calendar and double arithmetic: the model the library
// must keep matching, on every input and in every return code.
#ifndef QES_DATE_MODEL_H
#define QES_DATE_MODEL_H

namespace model {

int composeDateMilli(int year, int month, int day, int hour, int minute, int second, int millisecond,
                     double *value);
int decomposeDateMilli(double value, int *year, int *month, int *day, int *hour, int *minute, int *second,
                       int *millisecond);
int weekday(int year, int month, int day);

}  // namespace model

#endif
