// The attribute table of SDL files: two texts for each ID, kept in an
// attribute file (".sda") that the SDL export merges into its records and
// the SDL import writes.
//
// The file is text in the Chinese code page: a header line containing
// "TARVIK DATACO ATTRIBUTE FILE", then groups of three lines (the ID, the
// first text, the second text), then a line "END".
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/writerlinks.h"

namespace qzn {

class CAttributeList : public IAttributeLookup {
 public:
  struct Record {
    int id = 0;
    std::string first;
    std::string second;
  };

  // Appends the groups of the file, up to its "END" line, the end of the
  // file or a line that does not start with an ID; a group cut short is
  // dropped. Lines of any length, LF or CRLF ends and a last line without
  // one are read. 1 when the file was read (also with no groups), 0 when it
  // cannot be opened or its header is wrong (kInvalidFileFormat is shown).
  int ReadFile(const std::string& path);
  // Writes the header, the groups in the order added and "END", replacing
  // an old file only when all was written; texts are kept on one line each.
  // 0 when the file cannot be written.
  int WriteFile(const std::string& path) const;

  // The first record with the ID, or null.
  const Record* FindByID(int id) const;
  void Add(int id, const std::string& first, const std::string& second);
  void RemoveAll();
  std::int64_t GetCount() const { return static_cast<std::int64_t>(m_records.size()); }
  const Record& GetAt(std::int64_t i) const { return m_records[static_cast<std::size_t>(i)]; }

  bool FindTexts(int id, std::string& first, std::string& second) const override;

 private:
  std::vector<Record> m_records;  // in the order added
  std::unordered_map<int, std::size_t> m_firstOfId;
};

}  // namespace qzn
