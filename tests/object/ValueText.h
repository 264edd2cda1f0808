// Describes a CTagVal for test expectations and failure messages.
#pragma once

#include <string>

#include "host/CodePage.h"
#include "host/TagVal.h"

inline std::string Describe(CTagVal& value)
{
    switch (value.GetType()) {
    case CTagVal::typeEmpty:
        return "empty";
    case CTagVal::typeInvalid:
        return "invalid";
    case CTagVal::typeText: {
        CString& text = value.GetValStr();
        return "text '" + HostWideToAnsi(text.GetString(), static_cast<size_t>(text.GetLength())) + "'";
    }
    default: {
        char number[64];
        snprintf(number, sizeof number, "%.15g", value.GetVal());
        return number;
    }
    }
}
