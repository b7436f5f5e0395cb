// The head layer's message texts, and the one formatter its commands and texts are written with.
#pragma once

#include "mfc/String.h"

// printf into a CString.
CString HeadFormat(LPCTSTR format, ...) __attribute__((format(printf, 1, 2)));

inline constexpr const char* kTextStatusTimeout =
    "RS232 Error:\n The KEL Head has timed out during a status query!";
inline constexpr const char* kTextDataTimeout = "RS232 Error:\n Data aquisition timeout.";
inline constexpr const char* kTextPressureTimeout =
    "RS232 Error:\n The KEL Head has timed out during a Pressure query";
inline constexpr const char* kTextSingleMassTimeout =
    "RS232 Error:\n The KEL timed out during a single mass current measurement";
inline constexpr const char* kTextDsrLow = "RS232 Error:\n No KEL Head was detected at RS232 Port (DSR Low).";
inline constexpr const char* kTextConfirmFailed = "KEL Head Error:\nFailed to confirm new parameter setting";
inline constexpr const char* kTextXvRange =
    "Attempt to store a value outside range 99999.9999 to 0.0001 in the KEL ECU.  Operation will be aborted.";
inline constexpr const char* kTextBadId =
    "An ZOL KEL head could not be found.\nIncorrect ID received: %1\nConnection not established";
inline constexpr const char* kTextRfError =
    "KEL Error\nA serious RF error has been detected.\nCheck the  connection between the probe and ECU.  ";
inline constexpr const char* kTextOtherFamily =
    "The head found is a DUX head, but this document holds the settings of a KEL head.\nChoose the "
    "ionizer settings and save the document under a new name.";
