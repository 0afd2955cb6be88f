// The user's settings, kept where a desktop keeps them: one text file,
// $XDG_CONFIG_HOME/qzn/qzn.ini (~/.config/qzn/qzn.ini without it), in
// sections of "entry=value" lines. Strings are stored as UTF-8 with
// backslash escapes for the line breaks and backslashes they hold, numbers
// in decimal, binary values as base64. The file is read once and rewritten
// whole (atomically) on every change, so a crash never leaves half a file;
// a damaged line is skipped, never fatal.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace qzn {

class CProfileStore {
 public:
  // The store of that file (read now, if it exists).
  explicit CProfileStore(std::string path);
  // The user's own file under the XDG configuration folder.
  static std::string DefaultPath();

  std::string GetString(const std::string& section, const std::string& entry, const std::string& fallback = {}) const;
  int GetInt(const std::string& section, const std::string& entry, int fallback) const;
  // False when the entry is missing or is not valid base64.
  bool GetBinary(const std::string& section, const std::string& entry, std::vector<std::uint8_t>& out) const;

  // Each write saves the file; false when it could not be written (the
  // value is kept in memory all the same).
  bool WriteString(const std::string& section, const std::string& entry, const std::string& value);
  bool WriteInt(const std::string& section, const std::string& entry, int value);
  bool WriteBinary(const std::string& section, const std::string& entry, const std::vector<std::uint8_t>& value);
  bool Remove(const std::string& section, const std::string& entry);

  const std::string& Path() const { return m_path; }

 private:
  bool Save() const;
  std::string m_path;
  std::map<std::string, std::map<std::string, std::string>> m_sections;  // raw stored values
};

// The process's profile, set up by the window at start; null elsewhere.
CProfileStore* Profile();
void SetProfile(CProfileStore* profile);

std::string Base64Encode(const std::vector<std::uint8_t>& bytes);
bool Base64Decode(const std::string& text, std::vector<std::uint8_t>& out);

}  // namespace qzn
