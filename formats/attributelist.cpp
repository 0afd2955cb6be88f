#include "formats/attributelist.h"

#include <climits>

#include "model/helpers.h"
#include "platform/host.h"
#include "resources/messages_formats.h"
#include "platform/textfile.h"

namespace qzn {

namespace {

constexpr const char* kHeader = "TARVIK DATACO ATTRIBUTE FILE";

// A line that starts with a whole number in the int range.
bool ScanId(const std::string& line, int& id) {
  long value = 0;
  if (ScanC(line.c_str(), "%ld", &value) != 1 || value < INT_MIN || value > INT_MAX) return false;
  id = static_cast<int>(value);
  return true;
}

}  // namespace

int CAttributeList::ReadFile(const std::string& path) {
  CTextFileReader file;
  if (!file.Open(path)) return 0;
  std::string line;
  if (!file.ReadLine(line) || line.find(kHeader) == std::string::npos) {
    AfxMessageBox(res::text::kInvalidFileFormat, MB_OK | MB_ICONSTOP);
    return 0;
  }
  for (;;) {
    int id = 0;
    if (!file.ReadLine(line) || line == "END" || !ScanId(line, id)) break;
    std::string first, second;
    if (!file.ReadLine(first) || first == "END") break;
    if (!file.ReadLine(second) || second == "END") break;
    Add(id, first, second);
  }
  return 1;
}

int CAttributeList::WriteFile(const std::string& path) const {
  CTextFileWriter file;
  if (!file.Open(path)) return 0;
  file.Write(std::string(kHeader) + "\n");
  for (const Record& r : m_records) {
    file.Printf("%d\n", r.id);
    file.Write(OneLineText(r.first) + "\n" + OneLineText(r.second) + "\n");
  }
  file.Write("END\n");
  return file.Close() ? 1 : 0;
}

const CAttributeList::Record* CAttributeList::FindByID(int id) const {
  const auto it = m_firstOfId.find(id);
  return it == m_firstOfId.end() ? nullptr : &m_records[it->second];
}

void CAttributeList::Add(int id, const std::string& first, const std::string& second) {
  m_records.push_back(Record{id, first, second});
  m_firstOfId.emplace(id, m_records.size() - 1);  // an ID seen before keeps its first record
}

void CAttributeList::RemoveAll() {
  m_records.clear();
  m_firstOfId.clear();
}

bool CAttributeList::FindTexts(int id, std::string& first, std::string& second) const {
  const Record* r = FindByID(id);
  if (!r) return false;
  first = r->first;
  second = r->second;
  return true;
}

}  // namespace qzn
