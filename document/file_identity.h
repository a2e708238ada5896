#pragma once
// What a file was read as, and so what it is written back as: its encoding
// (with its byte order mark) and its line ends.
#include "encoding.h"

namespace lm {

// A file whose lines all end in LF alone keeps LF; any other (CR LF, a lone
// CR, a mix) is written with CR LF.
enum class LineEnd { CrLf, Lf };

struct FileIdentity {
  FileIdentity(Encoding e = Encoding::Windows1252, LineEnd l = LineEnd::CrLf)
      : encoding(e), lineEnd(l) {}
  Encoding encoding;
  LineEnd lineEnd;
  bool operator==(const FileIdentity& o) const { return encoding == o.encoding && lineEnd == o.lineEnd; }
};

}  // namespace lm
