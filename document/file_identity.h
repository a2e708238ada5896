#pragma once
// What a file was read as, and so what it is written back as: its format,
// its encoding (with its byte order mark), its line ends, and the frame rate
// that converts between frames and times.
#include "encoding.h"
#include "time_notation.h"

namespace lm {

// A file whose lines all end in LF alone keeps LF; any other (CR LF, a lone
// CR, a mix) is written with CR LF.
enum class LineEnd { CrLf, Lf };

// Frame-based ".sub" (MicroDVD) or SubRip ".srt".
enum class SubtitleFormat { MicroDvd, SubRip };

struct FileIdentity {
  FileIdentity(Encoding e = Encoding::Windows1252, LineEnd l = LineEnd::CrLf,
               SubtitleFormat f = SubtitleFormat::MicroDvd)
      : encoding(e), lineEnd(l), format(f), readAs(f) {}
  Encoding encoding;
  LineEnd lineEnd;
  // The format written; Save As under the other extension changes it.
  SubtitleFormat format;
  // The format read: what the entries' fields hold (frames or times) and
  // which style tags their text carries.
  SubtitleFormat readAs;
  double frameRate = kDefaultFrameRate;
  bool frameRateFromFile = false;  // a "{1}{1}23.976" first entry gave it
  bool finalBlank = true;          // SubRip: a blank line after the last cue
  bool operator==(const FileIdentity& o) const {
    return encoding == o.encoding && lineEnd == o.lineEnd && format == o.format && readAs == o.readAs &&
           frameRate == o.frameRate;
  }
};

// The notation of the fields of a document read as `identity` says.
inline TimeNotation NotationOf(const FileIdentity& identity) {
  return identity.readAs == SubtitleFormat::SubRip ? TimeNotation::Milliseconds(identity.frameRate)
                                                   : TimeNotation::Frames();
}

}  // namespace lm
