// Texts cross into the toolkit as UTF-8 in one place: a narrow literal
// handed to wx would be converted by the C library's locale, which loses the
// Chinese texts under the C locale.
#pragma once

#include <string>

#include <wx/string.h>

namespace qzn {

inline wxString ToWx(const std::string& utf8) { return wxString::FromUTF8(utf8.data(), utf8.size()); }
inline std::string FromWx(const wxString& s) {
  const wxScopedCharBuffer buf = s.utf8_str();
  return std::string(buf.data(), buf.length());
}

}  // namespace qzn
