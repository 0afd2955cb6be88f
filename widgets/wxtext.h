// The one road of texts into and out of wx: every text the system shows is
// UTF-8 and goes through U8 (wxString::FromUTF8). A narrow literal handed to
// wx directly would be converted by the C library's locale, and under the C
// locale Chinese texts come out empty.
#pragma once

#include <string>
#include <string_view>

#include <wx/string.h>

namespace qzn {

inline wxString U8(std::string_view utf8) { return wxString::FromUTF8(utf8.data(), utf8.size()); }
inline std::string FromWx(const wxString& s) {
  const wxScopedCharBuffer b = s.utf8_str();
  return std::string(b.data(), b.length());
}

}  // namespace qzn
