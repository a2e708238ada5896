// linemend in pipelines: standard input and output, and check --json read
// back as JSON.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "model/version.h"

namespace {

struct Run {
  int status = -1;
  QByteArray out, err;
};

Run Linemend(const QStringList& args, const QByteArray& input = {}) {
  QProcess p;
  p.start(QStringLiteral(LINEMEND_CLI), args);
  if (!p.waitForStarted()) return {};
  p.write(input);
  p.closeWriteChannel();
  if (!p.waitForFinished(30000)) return {};
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
          p.readAllStandardError()};
}

void Write(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

}  // namespace

class CliTest : public QObject {
  Q_OBJECT

 private slots:
  // The window's program answers --help and --version without a window,
  // and refuses what it does not take.
  void TheWindowsProgramAnswersItsOptions() {
    struct Case {
      QStringList args;
      int status;
      QByteArray out, err;
    };
    const Case cases[] = {
        {{"--version"}, 0, "tornak-linemend " + QByteArray(lm::kVersion) + "\n", ""},
        {{"--bogus"}, 2, "", "tornak-linemend: unknown option --bogus (see --help)\n"},
        {{"a.sub", "b.sub"}, 2, "", "tornak-linemend: one file at a time (see --help)\n"},
    };
    for (const Case& c : cases) {
      QProcess p;
      // No display: an answer must not need one.
      QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
      env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("none-such"));
      p.setProcessEnvironment(env);
      p.start(QStringLiteral(LINEMEND_WINDOWS), c.args);
      QVERIFY(p.waitForFinished(10000));
      QCOMPARE(p.exitCode(), c.status);
      QCOMPARE(p.readAllStandardOutput(), c.out);
      QCOMPARE(p.readAllStandardError(), c.err);
    }
    QProcess help;
    help.start(QStringLiteral(LINEMEND_WINDOWS), {QStringLiteral("--help")});
    QVERIFY(help.waitForFinished(10000));
    QCOMPARE(help.exitCode(), 0);
    QVERIFY(help.readAllStandardOutput().startsWith("Usage: tornak-linemend [FILE]\n"));
    QProcess full;
    full.setStandardOutputFile(QStringLiteral("/dev/full"));
    full.start(QStringLiteral(LINEMEND_WINDOWS), {QStringLiteral("--version")});
    QVERIFY(full.waitForFinished(10000));
    QCOMPARE(full.exitCode(), 2);
    QCOMPARE(full.readAllStandardError(), QByteArray("tornak-linemend: (standard output): No space left on device\n"));
  }

  void StandardInputToStandardOutput() {
    // Windows-1250 with CR LF, as such files come: the bytes stay as they were.
    const QByteArray in =
        "{1}{50}Mo\xBF"
        "e p\xF3jdziemy na spacer, a potem do domu na obiad\r\n{60}{90}\xA3\xF3"
        "d\x9F\r\n";
    Run r = Linemend({"fix", "-", "-o", "-"}, in);
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QByteArray("{1}{50}Mo\xBF"
                               "e p\xF3jdziemy na spacer,|a potem do domu na obiad\r\n{60}{90}\xA3\xF3"
                               "d\x9F\r\n"));
    QCOMPARE(r.err, QByteArray("I just fixed 1 lines, for You\n"));

    // A lower-case tag slants its own screen line only.
    r = Linemend({"convert", "-", "--format", "srt", "-o", "-"}, "{25}{50}{y:i}Hello|there\n");
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QByteArray("1\n00:00:01,000 --> 00:00:02,000\n<i>Hello</i>\nthere\n\n"));

    r = Linemend({"fix", "-", "-o", "-"}, QByteArray("\x7F"
                                                     "ELF\x02\x01\x01\0\0\0",
                                                     10));
    QCOMPARE(r.status, 2);
    QVERIFY(r.out.isEmpty());
  }

  void CheckJsonReadsBack() {
    QTemporaryDir dir;
    const QString sub = dir.filePath("film.sub"), srt = dir.filePath("film.srt");
    Write(sub,
          "{1}{1}23.976\r\n{100}{200}{y:i}Fine line\r\n"
          "{300}{400}This is a rather long subtitle line that needs a break\r\n{500}{600}a|b|c\r\n");
    Write(srt,
          "\xEF\xBB\xBF"
          "1\r\n00:00:01,000 --> 00:00:02,500\r\n<i>\xC3\xA5ker och \xC3\xA4ngar</i> "
          "och skogar och sj\xC3\xB6"
          "ar och berg\r\n\r\n");
    const Run r = Linemend({"check", "--json", sub, dir.filePath("gone.sub"), srt});
    QCOMPARE(r.status, 2);
    QCOMPARE(r.err.count('\n'), 1);
    const QList<QByteArray> lines = r.out.trimmed().split('\n');
    QCOMPARE(lines.size(), 3);

    QJsonParseError error;
    QJsonObject o = QJsonDocument::fromJson(lines[0], &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(o["path"].toString(), sub);
    QCOMPARE(o["format"].toString(), QStringLiteral("frame-based"));
    QCOMPARE(o["encoding"].toString(), QStringLiteral("Windows-1252"));
    // The frame-rate header is no entry.
    QCOMPARE(o["entries"].toInt(), 3);
    QJsonArray tooLong = o["tooLong"].toArray();
    QCOMPARE(tooLong.size(), 2);
    QCOMPARE(tooLong[0].toObject()["entry"].toInt(), 3);
    QCOMPARE(tooLong[0].toObject()["line"].toInt(), 3);
    // Seconds for every format: frames at the file's 23.976.
    QCOMPARE(tooLong[0].toObject()["start"].toDouble(), 12.513);
    QCOMPARE(tooLong[0].toObject()["stop"].toDouble(), 16.683);
    QCOMPARE(tooLong[0].toObject()["lines"].toArray(), QJsonArray({54}));
    QCOMPARE(tooLong[1].toObject()["lines"].toArray(), QJsonArray({1, 1, 1}));

    // A file that could not be read has a record of its own.
    o = QJsonDocument::fromJson(lines[1], &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(o["path"].toString(), dir.filePath("gone.sub"));
    QCOMPARE(o["error"].toString(), QStringLiteral("No such file or directory"));

    o = QJsonDocument::fromJson(lines[2], &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(o["format"].toString(), QStringLiteral("SubRip"));
    QCOMPARE(o["encoding"].toString(), QStringLiteral("UTF-8 with BOM"));
    tooLong = o["tooLong"].toArray();
    QCOMPARE(tooLong.size(), 1);
    QCOMPARE(tooLong[0].toObject()["start"].toDouble(), 1.0);
    QCOMPARE(tooLong[0].toObject()["stop"].toDouble(), 2.5);
    // Tags count nothing, letters one each.
    QCOMPARE(tooLong[0].toObject()["lines"].toArray(), QJsonArray({44}));
  }
};

QTEST_GUILESS_MAIN(CliTest)
#include "tst_cli.moc"
