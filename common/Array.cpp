// Array: the out-of-range report.
#include "common/Array.h"

#include "common/Str.h"
#include "platform/api/WinUser.h"

void ReportArrayIndexOutOfRange(ArrayAccess access, int index, int count)
{
    const LPCWSTR format = access == ArrayAccess::GetAt ? u"Array::GetAt index (%d) out of range (%d)"
        : access == ArrayAccess::SetAt                 ? u"Array::SetAt index (%d) out of range (%d)"
                                                       : u"Array::ElementAt index (%d) out of range (%d)";
    Str text;
    text.Format(format, index, count);
    MessageBox(nullptr, text, u"Kab Tracer", MB_OK);
}
