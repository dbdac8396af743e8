#pragma once

#include <cstdint>
#include <string>

namespace vexon::standin {

struct CivilTime {
  int year = 1970;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int weekday = 4;  // 0 = Sunday; 1 January 1970 was a Thursday
};

// Proleptic Gregorian calendar, UTC, no locale involved.
CivilTime CivilFromUnix(int64_t seconds);
int64_t UnixFromCivil(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
// "Sun, 06 Nov 1994 08:49:37 GMT"
std::string FormatHttpDate(int64_t seconds);

}  // namespace vexon::standin
