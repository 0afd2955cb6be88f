// GIF reader with our own LZW decoder (variable-length codes, least
// significant bit first, clear and end codes, 12-bit maximum). All decoder
// state lives in one object per call, so reads never collide.
#include "raster/gifread.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "raster/imagefile.h"
#include "raster/rasterimage.h"

namespace qzn {

namespace {

constexpr int kMaxCodes = 4096;  // 12-bit codes

struct ColorTable {
  int count = 0;  // entries present; 0 when there is no table
  int bits = 0;   // table size as a power of two
  BYTE rgb[256][3] = {};
};

bool ReadColorTable(std::FILE* f, int bits, ColorTable& table) {
  table.bits = bits;
  table.count = 1 << bits;
  for (int i = 0; i < table.count; ++i)
    if (std::fread(table.rgb[i], 1, 3, f) != 3) return false;
  return true;
}

// Skips data sub-blocks up to and including the empty one.
bool SkipSubBlocks(std::FILE* f) {
  for (;;) {
    const int n = std::fgetc(f);
    if (n == EOF) return false;
    if (n == 0) return true;
    if (std::fseek(f, n, SEEK_CUR) != 0) return false;
  }
}

// Decodes the image data of one image: the data sub-blocks of the file feed
// the LZW decoder, which hands out pixels in file order.
class CLzwDecoder {
 public:
  CLzwDecoder(std::FILE* f, int minCodeSize) : m_file(f), m_min(minCodeSize) {
    m_clear = 1 << m_min;
    m_end = m_clear + 1;
    for (int i = 0; i < kMaxCodes; ++i) {
      m_prefix[i] = -1;
      m_suffix[i] = static_cast<BYTE>(i);
    }
    ResetTable();
  }

  // Fills out with count pixels. False when the data is damaged or ends
  // before the last of them.
  bool Decode(BYTE* out, std::int64_t count) {
    std::int64_t done = 0;
    while (done < count) {
      if (m_sp > 0) {
        const std::int64_t n = std::min<std::int64_t>(m_sp, count - done);
        for (std::int64_t i = 0; i < n; ++i) out[done++] = m_stack[--m_sp];
        continue;
      }
      if (!NextString()) return false;
    }
    return true;
  }

 private:
  void ResetTable() {
    m_codeSize = m_min + 1;
    m_mask = (1 << m_codeSize) - 1;
    m_avail = m_clear + 2;
    m_old = -1;
  }

  int NextByte() {
    if (m_pos == m_len) {
      const int n = std::fgetc(m_file);
      if (n == EOF || n == 0) return -1;  // the data ended
      if (std::fread(m_block, 1, static_cast<std::size_t>(n), m_file) != static_cast<std::size_t>(n)) return -1;
      m_len = n;
      m_pos = 0;
    }
    return m_block[m_pos++];
  }

  // Reads codes until one yields a string, pushed onto the pixel stack in
  // reverse order.
  bool NextString() {
    for (;;) {
      while (m_bits < m_codeSize) {
        const int b = NextByte();
        if (b < 0) return false;
        m_acc |= static_cast<std::uint32_t>(b) << m_bits;
        m_bits += 8;
      }
      int code = static_cast<int>(m_acc & static_cast<std::uint32_t>(m_mask));
      m_acc >>= m_codeSize;
      m_bits -= m_codeSize;

      if (code == m_clear) {
        ResetTable();
        continue;
      }
      if (code == m_end) return false;  // the image ends before its last pixel
      if (m_old < 0) {
        if (code > m_clear) return false;  // only a root code may follow a clear
        m_stack[m_sp++] = static_cast<BYTE>(code);
        m_first = code;
        m_old = code;
        return true;
      }
      const int incoming = code;
      // A code beyond the next free one cannot be decoded; once the table is
      // full there is no "next free" code at all.
      if (code > m_avail || (code == m_avail && m_avail >= kMaxCodes)) return false;
      if (code == m_avail) {  // the KwKwK case: old string plus its first byte
        m_stack[m_sp++] = static_cast<BYTE>(m_first);
        code = m_old;
      }
      // Every table entry's prefix is a lower code, so the walk ends at a root.
      while (code >= m_clear) {
        m_stack[m_sp++] = m_suffix[code];
        code = m_prefix[code];
      }
      m_first = m_suffix[code];
      m_stack[m_sp++] = static_cast<BYTE>(m_first);
      // A full table takes no more entries; decoding goes on with the codes
      // it holds until the encoder sends a clear code.
      if (m_avail < kMaxCodes) {
        m_prefix[m_avail] = static_cast<std::int16_t>(m_old);
        m_suffix[m_avail] = static_cast<BYTE>(m_first);
        ++m_avail;
        if ((m_avail & m_mask) == 0 && m_codeSize < 12) {
          ++m_codeSize;
          m_mask = (1 << m_codeSize) - 1;
        }
      }
      m_old = incoming;
      return true;
    }
  }

  std::FILE* m_file;
  int m_min;
  int m_clear = 0, m_end = 0;
  int m_codeSize = 0, m_mask = 0, m_avail = 0, m_old = -1, m_first = 0;
  std::uint32_t m_acc = 0;
  int m_bits = 0;
  BYTE m_block[256] = {};
  int m_len = 0, m_pos = 0;
  std::int16_t m_prefix[kMaxCodes];
  BYTE m_suffix[kMaxCodes];
  // The longest string is one entry per table code plus the KwKwK byte.
  BYTE m_stack[kMaxCodes + 2];
  int m_sp = 0;
};

}  // namespace

int ReadGIF(const std::string& fileName, CRasterImage& image, CImageReadProblem* problem) {
  // Every way out below that is not success is damaged data, unless it says
  // otherwise.
  const CReadRefusal refuse(problem);
  auto fail = [&](const char* reason = kReadDamaged) { return refuse(reason); };
  CFilePtr file(std::fopen(fileName.c_str(), "rb"));
  if (!file) return fail(kReadNotThisFormat);
  std::FILE* f = file.get();

  BYTE sig[6];
  if (std::fread(sig, 1, 6, f) != 6) return fail(kReadNotThisFormat);
  if (std::memcmp(sig, "GIF87a", 6) != 0 && std::memcmp(sig, "GIF89a", 6) != 0) return fail(kReadNotThisFormat);

  // Logical screen descriptor. The pixel aspect ratio byte only tells how a
  // viewer should stretch the picture; the pixels are the same either way.
  BYTE lsd[7];
  if (std::fread(lsd, 1, 7, f) != 7) return fail();
  ColorTable global;
  if (lsd[4] & 0x80) {
    if (!ReadColorTable(f, (lsd[4] & 7) + 1, global)) return fail();
  }

  // Blocks up to the first image descriptor.
  BYTE desc[9];
  for (;;) {
    const int c = std::fgetc(f);
    if (c == '!') {
      if (std::fgetc(f) == EOF || !SkipSubBlocks(f)) return fail();
    } else if (c == ',') {
      if (std::fread(desc, 1, 9, f) != 9) return fail();
      break;
    } else {
      return fail();  // the trailer before any image, or not a block at all
    }
  }
  const int width = desc[4] | (desc[5] << 8);
  const int height = desc[6] | (desc[7] << 8);
  const bool interlaced = (desc[8] & 0x40) != 0;
  ColorTable local;
  if (desc[8] & 0x80) {
    if (!ReadColorTable(f, (desc[8] & 7) + 1, local)) return fail();
  }
  if (width == 0 || height == 0) return fail();
  const int minCodeSize = std::fgetc(f);
  if (minCodeSize < 1 || minCodeSize > 8) return fail();

  // The image's own colour table wins over the global one.
  const ColorTable& table = local.count ? local : global;
  CRasterImage tmp;
  tmp.width = width;
  tmp.height = height;
  tmp.planes = 1;
  if (table.count == 2) {
    tmp.bitsPerSample = 1;
    tmp.photometric = BilevelPhotometric(table.rgb[0][0], table.rgb[0][1], table.rgb[0][2], table.rgb[1][0],
                                         table.rgb[1][1], table.rgb[1][2]);
  } else {
    tmp.bitsPerSample = 8;
    tmp.photometric = table.count ? kPhotometricPalette : kPhotometricMinIsBlack;
  }
  if (!tmp.AllocPixels()) return fail(kReadNoMemory);
  if (table.count) {
    if (!tmp.AllocPalette()) return fail(kReadNoMemory);
    for (int i = 0; i < table.count; ++i) {
      tmp.red[i] = table.rgb[i][0];
      tmp.green[i] = table.rgb[i][1];
      tmp.blue[i] = table.rgb[i][2];
    }
  }

  auto decoder = std::make_unique<CLzwDecoder>(f, minCodeSize);
  std::vector<BYTE> rowBuf(tmp.bitsPerSample == 1 ? static_cast<std::size_t>(width) : 0);
  auto decodeRow = [&](int y) {
    BYTE* row = tmp.GetRow(y);
    if (tmp.bitsPerSample == 8) return decoder->Decode(row, width);
    if (!decoder->Decode(rowBuf.data(), width)) return false;
    PackBits(rowBuf.data(), width, row);
    return true;
  };
  if (interlaced) {
    static const int kStart[4] = {0, 4, 2, 1};
    static const int kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
      for (int y = kStart[pass]; y < height; y += kStep[pass])
        if (!decodeRow(y)) return fail();
  } else {
    for (int y = 0; y < height; ++y)
      if (!decodeRow(y)) return fail();
  }
  image.MoveFrom(tmp);
  return 1;
}

}  // namespace qzn
