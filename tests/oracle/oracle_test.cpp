// The golden master: linemend on the inputs in tests/oracle writes, prints and returns what it did when
// tools/make_oracle.py stored it, one case a row of manifest.tsv. LINEMEND_ORACLE_CLI names another program.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <set>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
const std::string kOracle = LINEMEND_ORACLE_DIR;

struct Case {
  std::string name, input, args, expect, out, err;  // input empty: the row is not of 7 fields
  int status = -1;
};
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

bool Read(const fs::path& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  bytes.assign(std::istreambuf_iterator<char>(in), {});
  return static_cast<bool>(in);
}

std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> parts(1);
  for (char c : s) c == sep ? (void)parts.emplace_back() : parts.back().push_back(c);
  return parts;
}

// The manifest's escapes: \\ \t \n \r \xHH.
std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i] == '\\' && i + 1 < s.size() ? s[++i] : '\0';
    if (c == 'x' && i + 2 < s.size()) {
      out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c ? c : s[i];
    }
  }
  return out;
}

std::vector<Case> Manifest() {
  std::vector<Case> cases;
  std::ifstream lines(kOracle + "/manifest.tsv", std::ios::binary);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] == '#') continue;
    const std::vector<std::string> f = Split(line, '\t');
    cases.push_back(f.size() == 7 ? Case{f[0], f[1], f[2], f[3], f[5], Unescape(f[6]), std::atoi(f[4].c_str())}
                                  : Case{f[0], "", "", "", "", "", -1});
  }
  return cases;
}

// A line as the report shows it: control bytes visible, a long one cut.
std::string Shown(const std::string& line) {
  std::string out;
  char hex[8];
  for (unsigned char c : line.substr(0, 160))
    out += c >= 0x20 ? std::string(1, static_cast<char>(c)) : (std::snprintf(hex, sizeof hex, "\\x%02X", c), hex);
  return "\"" + out + (line.size() > 160 ? "…\"" : "\"");
}

// Empty when the two are the same, else where they first part.
std::string FirstDifference(const std::string& expected, const std::string& actual) {
  if (expected == actual) return "";
  const std::vector<std::string> e = Split(expected, '\n'), a = Split(actual, '\n');
  size_t n = 0, col = 0;
  while (n < e.size() && n < a.size() && e[n] == a[n]) ++n;
  while (n < e.size() && n < a.size() && col < e[n].size() && e[n][col] == a[n][col]) ++col;
  const size_t from = col > 60 ? col - 60 : 0;  // a long line is shown from a little before the change
  auto at = [&](const std::vector<std::string>& v) {
    return n < v.size() ? Shown(v[n].substr(std::min(from, v[n].size()))) : "(the end)";
  };
  return "line " + std::to_string(n + 1) + (from ? ", from byte " + std::to_string(from + 1) : "") + ": expected " +
         at(e) + ", got " + at(a);
}

std::string Quoted(const std::string& s) {
  std::string q;
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return "'" + q + "'";
}

class Oracle : public testing::TestWithParam<Case> {};

TEST_P(Oracle, GivesWhatItGaveBefore) {
  const Case& c = GetParam();
  ASSERT_FALSE(c.input.empty()) << "the manifest row of " << c.name;
  const char* other = std::getenv("LINEMEND_ORACLE_CLI");
  const std::string program = other && *other ? other : LINEMEND_CLI;
  char tmpl[] = "/tmp/linemend-oracle-XXXXXX";
  ASSERT_NE(::mkdtemp(tmpl), nullptr);
  const struct Folder {
    fs::path path;
    ~Folder() { fs::remove_all(path); }
  } dir{tmpl};

  // The input under its own name, the paths relative to the folder.
  const std::string in = fs::path(c.input).filename().string();
  // "!.EXT": the command writes nothing (a refused conversion, say).
  const bool nothing = c.expect.rfind('!', 0) == 0;
  const std::string out =
      c.expect == "-" ? "" : "out" + (nothing ? c.expect.substr(1) : fs::path(c.expect).extension().string());
  ASSERT_TRUE(fs::copy_file(kOracle + "/" + c.input, dir.path / in)) << c.input;
  std::string command = "cd " + Quoted(dir.path.string()) + " && " + Quoted(program);
  for (const std::string& arg : Split(c.args, ' '))
    command += " " + Quoted(arg == "{in}" ? in : arg == "{out}" ? out : arg);
  const int raw = std::system((command + " >.stdout 2>.stderr").c_str());
  const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  EXPECT_EQ(status, c.status) << c.name << ": the exit status";

  std::string expected = Unescape(c.out), actual;  // or the file that "@NAME" names
  if (c.out.rfind('@', 0) == 0) {
    ASSERT_TRUE(Read(kOracle + "/" + c.out.substr(1), expected)) << c.out;
  }
  Read(dir.path / ".stdout", actual);
  EXPECT_EQ(FirstDifference(expected, actual), "") << c.name << ": standard output";
  Read(dir.path / ".stderr", actual);
  EXPECT_EQ(FirstDifference(c.err, actual), "") << c.name << ": standard error";
  if (out.empty()) return;
  if (nothing) {
    EXPECT_FALSE(fs::exists(dir.path / out)) << c.name << ": " << out << " was written";
    return;
  }
  ASSERT_TRUE(Read(kOracle + "/" + c.expect, expected)) << c.expect;
  ASSERT_TRUE(Read(dir.path / out, actual)) << c.name << ": " << out << " was not written";
  EXPECT_EQ(FirstDifference(expected, actual), "") << c.name << ": " << out << " against " << c.expect;
}

INSTANTIATE_TEST_SUITE_P(Rules, Oracle, testing::ValuesIn(Manifest()),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

// Every input gets every command: the data is not cut short.
TEST(OracleData, RunsEveryCommandOnEveryInput) {
  const std::vector<Case> cases = Manifest();
  int inputs = 0;
  for (const fs::directory_entry& file : fs::directory_iterator(kOracle + "/inputs")) {
    std::set<std::string> commands;
    for (const Case& c : cases)
      if (c.input == "inputs/" + file.path().filename().string())
        commands.insert(c.args.substr(0, c.args.find(" {in}")));
    EXPECT_EQ(commands, (std::set<std::string>{"check", "check --json", "convert", "fix", "remove-hi"})) << file.path();
    ++inputs;
  }
  EXPECT_GE(inputs, 12);
}

}  // namespace
