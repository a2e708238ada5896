#pragma once
// What a file was read as, and so what it is written back as: its format,
// its encoding (with its byte order mark), its line ends, and the frame rate
// that converts between frames and times.
#include "model/encoding.h"
#include "model/format.h"
#include "model/time_notation.h"

namespace lm {

// A file whose lines all end in LF alone keeps LF; any other (CR LF, a lone
// CR, a mix) is written with CR LF.
enum class LineEnd { CrLf, Lf };

// What tells whether a file was changed by someone else since it was read
// or written: its size, modification time and identity. `exists` false:
// there was no such file.
struct FileStamp {
  bool exists = false;
  long long size = 0, modifiedNs = 0;
  unsigned long long device = 0, inode = 0;
  bool operator==(const FileStamp& o) const {
    return exists == o.exists && size == o.size && modifiedNs == o.modifiedNs && device == o.device && inode == o.inode;
  }
  bool operator!=(const FileStamp& o) const { return !(*this == o); }
};

struct FileIdentity {
  FileIdentity(Encoding e = Encoding::Windows1252, LineEnd l = LineEnd::CrLf, const Format* f = nullptr)
      : encoding(e), lineEnd(l), format(f ? f : &NoFormat()), readAs(format) {}
  Encoding encoding;
  LineEnd lineEnd;
  // The format written; Save As under another extension changes it.
  const Format* format;
  // The format read: what the entries' fields hold (frames or times) and
  // which style tags their text carries.
  const Format* readAs;
  double frameRate = kDefaultFrameRate;
  bool frameRateFromFile = false;  // the file named its own
  bool finalBlank = true;          // a blank line after the last entry
  bool operator==(const FileIdentity& o) const {
    return encoding == o.encoding && lineEnd == o.lineEnd && format == o.format && readAs == o.readAs &&
           frameRate == o.frameRate;
  }
};

}  // namespace lm
