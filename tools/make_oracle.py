#!/usr/bin/env python3
r"""Golden-master data of the rules, for tests/oracle/oracle_test.cpp.

    tools/make_oracle.py                 writes the inputs only
    tools/make_oracle.py PATH/linemend   writes the inputs, runs that program
                                         on them and stores what it gives

The inputs are random but fixed (each file has its own seed), so running
this again writes the same bytes. Every command runs in a temporary folder
holding a copy of its input under the same name, with relative paths, as
the test runs it; what it writes, prints and returns goes into
tests/oracle/expected/ and tests/oracle/manifest.tsv.

manifest.tsv has one row a case, separated by tabs:
  case    name of the case
  input   the file the command reads, relative to tests/oracle
  args    the arguments; {in} is the input's file name, {out} is "out" with
          the extension of `expect`
  expect  relative to tests/oracle, the file holding what the command writes;
          "!.EXT" when it must write nothing
          to {out}; "-" when it writes no file
  status  the exit status
  stdout  standard output, escaped; "@NAME" when it is kept in the file NAME
  stderr  standard error, escaped
Escaped is: \\ \t \n \r, and \xHH for other control bytes and a leading "@".
Identical outputs are stored once; an output equal to an input names it.
"""
import os
import random
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ORACLE = os.path.join(ROOT, "tests", "oracle")

WORDS = {
    "en": """the a you I we they it is was are not what where when why how this that
        there here now never always maybe really only just still again about after
        before because though through tonight tomorrow yesterday morning evening house
        door window street city river water money friend brother sister mother father
        doctor captain police car train ticket letter phone music night light dark
        cold warm quiet listen remember forget believe understand wait hurry follow
        leave stay open close tell ask answer need want know think see hear find keep
        everything nothing somebody anybody together nobody wonderful terrible strange
        beautiful dangerous important impossible probably certainly exactly""".split(),
    "pl": """że się już jest nie tak był była żeby może teraz zawsze nigdy dziś jutro
        wczoraj właśnie często przyjaciel dziękuję proszę łódź żółw gęś źródło pięść
        jeść książka miłość zdążyć ściana ręka głowa ciężko spokój człowiek mówię
        wiesz chodź słuchaj później wszystko nikt każdy dzień noc światło woda dom
        szybko powoli pieniądze pociąg ulica miasto rzeka żona mąż córka syn błąd
        źle dobrze pamiętam zapomniałem wierzę rozumiem czekaj zostań wyjdź""".split(),
    "cs": """řeka růže čas šťastný žena dítě město přítel děkuji prosím všechno nikdo
        dnes zítra včera večer ráno světlo voda dům rychle pomalu peníze vlak ulice
        hudba doktor policie čekej poslouchej rozumím věřím""".split(),
    "ru": """привет друг сегодня завтра вчера говорить хорошо плохо почему никогда
        всегда здесь там время человек вода дом жизнь ёлка сейчас потом может быть
        слушай подожди понимаю помню забыл верю деньги поезд улица город река
        музыка доктор полиция ночь свет тихо быстро медленно вместе""".split(),
    "el": """καλημέρα φίλος σήμερα αύριο χθες γιατί ποτέ πάντα εδώ εκεί χρόνος
        άνθρωπος νερό σπίτι ζωή τώρα μετά ίσως άκου περίμενε καταλαβαίνω θυμάμαι
        ξέχασα πιστεύω λεφτά τρένο δρόμος πόλη ποτάμι μουσική γιατρός αστυνομία
        νύχτα φως ήσυχα γρήγορα αργά μαζί""".split(),
}
HYPHENATED = {
    "en": ["well-known", "twenty-one", "so-called", "mother-in-law", "self-made",
           "good-looking", "long-term", "up-to-date", "x-ray", "T-shirt"],
    "pl": ["biało-czerwony", "polsko-niemiecki", "Bielsko-Biała", "naukowo-techniczny"],
    "cs": ["česko-slovenský", "Frýdek-Místek", "modro-bílý"],
    "ru": ["кто-то", "что-нибудь", "по-русски", "северо-запад", "Ростов-на-Дону"],
    "el": ["Ελληνο-τουρκικός", "Αγγλο-γαλλικός"],
}
NAMES = {
    "en": ["JOHN", "MARY", "DOCTOR", "MAN", "WOMAN", "OFFICER", "NARRATOR"],
    "pl": ["ŁUKASZ", "ŻANETA", "KOBIETA", "MĘŻCZYZNA"],
    "cs": ["JIŘÍ", "ŽENA", "MUŽ"],
    "ru": ["ДИМА", "ОЛЬГА", "ЖЕНЩИНА"],
    "el": ["ΓΙΩΡΓΟΣ", "ΕΛΕΝΗ"],
}
REMARKS = {
    "en": ["music", "laughs", "door slams", "sighs", "phone ringing", "thunder",
           "indistinct chatter", "gunshot", "screams", "coughs"],
    "pl": ["muzyka", "śmiech", "trzask drzwi", "wzdycha"],
    "cs": ["hudba", "smích", "bouchnutí dveří"],
    "ru": ["музыка", "смеётся", "стук в дверь"],
    "el": ["μουσική", "γέλια"],
}
ENDINGS = [".", ".", ".", "?", "!", "...", ",", ""]
SUB_LINE_TAGS = ["{y:i}", "{y:b}", "{y:u}", "{c:$0000FF}", "{c:$00FF00}", "{f:DejaVu Sans}",
                 "{s:12}", "{s:30}", "/"]
SUB_ENTRY_TAGS = ["{Y:b}", "{Y:i}", "{Y:b,u}", "{C:$FF0000}", "{F:DejaVu Sans}", "{S:14}"]
SRT_COLOURS = ["#FF0000", "#00ff00", "#FFFF00", "white"]

# The inputs: name, seed, entries, encoding, line end, languages and what
# else goes in ("tags", "odd", "hi", "fps", "coords").
INPUTS = [
    ("plain_crlf.sub", 101, 150, "ascii", "\r\n", ["en"], set()),
    ("plain_lf.sub", 102, 150, "ascii", "\n", ["en"], {"hi"}),
    ("utf8_lf.sub", 103, 150, "utf-8", "\n", ["pl", "ru", "el", "en"], set()),
    ("cp1250_crlf.sub", 104, 150, "cp1250", "\r\n", ["pl", "cs"], {"hi"}),
    ("tags_crlf.sub", 105, 150, "ascii", "\r\n", ["en"], {"tags"}),
    ("tags_utf8_lf.sub", 106, 150, "utf-8", "\n", ["pl", "ru", "el"], {"tags", "hi"}),
    ("fps_odd_crlf.sub", 107, 150, "ascii", "\r\n", ["en"], {"fps", "odd", "hi", "tags"}),
    ("plain_crlf.srt", 201, 150, "ascii", "\r\n", ["en"], {"hi"}),
    ("utf8_bom_lf.srt", 202, 150, "utf-8-sig", "\n", ["pl", "ru", "el", "en"], {"tags"}),
    ("tags_crlf.srt", 203, 150, "utf-8", "\r\n", ["en", "pl"], {"tags", "hi"}),
    ("coords_lf.srt", 204, 150, "ascii", "\n", ["en"], {"coords", "tags"}),
    ("cp1250_lf.srt", 205, 150, "cp1250", "\n", ["pl", "cs"], {"tags", "hi"}),
]


class Texts:
    """Random screen lines in the languages of one file."""

    def __init__(self, rng, languages, hi):
        self.rng = rng
        self.languages = languages
        self.hi = hi

    def lang(self):
        return self.rng.choice(self.languages)

    def sentence(self, lo, hi=None, lang=None, hyphens=0.01):
        """Words of lo to hi characters (exactly lo without hi), capitalised
        and ended; a last piece of a word makes up what whole words miss."""
        rng = self.rng
        length = rng.randint(lo, hi or lo)
        lang = lang or self.lang()
        end = rng.choice(ENDINGS) if length > 3 else ""

        def word():
            pool = HYPHENATED[lang] if rng.random() < hyphens else WORDS[lang]
            return rng.choice(pool) + ("," if rng.random() < 0.1 else "")

        text = ""
        while True:
            w = word()
            longer = text + " " + w if text else w
            if len(longer) + len(end) > length:
                break
            text = longer
        missing = length - len(end) - len(text)
        if missing > 2 or not text:
            text += (" " if text else "") + (w.strip(",-") * 9)[: missing - (1 if text else 0)]
        elif missing:
            text += text[-1] * missing if text[-1].isalpha() else "o" * missing
        text = text.rstrip(",")
        text = text[0].upper() + text[1:]
        while len(text) + len(end) < length:
            text += "o"
        return text + end

    def remark(self, lang):
        r = self.rng.random()
        what = self.rng.choice(REMARKS[lang])
        if r < 0.5:
            return "[" + what + "]"
        if r < 0.75:
            return "(" + what + ")"
        return self.rng.choice(NAMES[lang]) + ":"

    def with_remark(self, line, lang):
        if not self.hi or self.rng.random() > 0.3:
            return line
        remark = self.remark(lang)
        where = self.rng.random()
        if where < 0.6 or remark.endswith(":"):
            return remark + " " + line
        if where < 0.8:
            return line + " " + remark
        words = line.split(" ")
        cut = self.rng.randrange(len(words) + 1)
        return " ".join(words[:cut] + [remark] + words[cut:])

    def entry(self):
        """The screen lines of one entry."""
        rng = self.rng
        lang = self.lang()
        kind = rng.choices(
            ["short", "single", "broken", "two", "over", "join", "dialogue", "dialogue1",
             "three", "nospace", "hyphen", "edge", "remark"],
            [28, 12, 8, 8, 3, 8, 8, 2, 4, 2, 3, 4, 6 if self.hi else 1])[0]
        if kind == "short":
            lines = [self.sentence(3, 41, lang)]
        elif kind == "single":
            lines = [self.sentence(42, 79, lang)]
        elif kind == "broken":  # two lines that fit, broken badly
            a = self.sentence(5, 30, lang)
            b = self.sentence(2, 30, lang).lower()
            lines = [a, b] if rng.random() < 0.5 else [a + " " + b]
        elif kind == "two":  # too long for two screen lines
            text = self.sentence(83, 163, lang)
            lines = [text] if rng.random() < 0.4 else self.cut(text, rng.randint(2, 3))
        elif kind == "over":
            text = self.sentence(164, 200, lang)
            lines = [text] if rng.random() < 0.5 else self.cut(text, 2)
        elif kind == "join":
            lines = [self.sentence(2, 14, lang) for _ in range(rng.randint(2, 3))]
        elif kind == "dialogue":
            lines = ["- " + self.sentence(3, 50, lang),
                     "- " + self.sentence(3, 50)]
        elif kind == "dialogue1":
            lines = ["- " + self.sentence(3, 30, lang) + " - " + self.sentence(3, 30, lang)]
        elif kind == "three":
            lines = [self.sentence(3, 30, lang) for _ in range(3)]
        elif kind == "nospace":
            word = rng.choice(WORDS[lang]) or "a"
            lines = [(word * 40)[: rng.randint(42, 85)]]
        elif kind == "hyphen":
            lines = [self.sentence(42, 80, lang, hyphens=0.35)]
        elif kind == "edge":  # at a limit, give or take one
            text = self.sentence(rng.choice([40, 41, 42, 81, 82, 83, 84, 162, 163, 164]), None, lang)
            lines = [text] if rng.random() < 0.6 else self.cut(text, 2)
        else:
            lines = [self.remark(lang)]
            if rng.random() < 0.6:
                lines.append(self.sentence(5, 40, lang))
        return [self.with_remark(l, lang) for l in lines]

    def cut(self, text, parts):
        """The text cut at spaces into about `parts` lines of random lengths."""
        words = text.split(" ")
        if len(words) < parts:
            return [text]
        cuts = sorted(self.rng.sample(range(1, len(words)), parts - 1))
        bounds = [0] + cuts + [len(words)]
        return [" ".join(words[a:b]) for a, b in zip(bounds, bounds[1:])]


def sub_tagged(rng, lines):
    """MicroDVD tags: entry-wide at the start, per line, now and then mid-line."""
    out = []
    for line in lines:
        r = rng.random()
        if r < 0.25:
            line = rng.choice(SUB_LINE_TAGS) + line
        elif r < 0.32:
            line = rng.choice(SUB_LINE_TAGS[:-1]) + rng.choice(SUB_LINE_TAGS) + line
        elif r < 0.37 and " " in line:
            words = line.split(" ")
            cut = rng.randrange(1, len(words))
            line = " ".join(words[:cut]) + " " + rng.choice(SUB_LINE_TAGS[:-1]) + " ".join(words[cut:])
        out.append(line)
    if rng.random() < 0.15:
        out[0] = rng.choice(SUB_ENTRY_TAGS) + out[0]
    return out


def srt_tagged(rng, lines):
    """SubRip tags: spans over a line, a word, or across the line breaks."""
    lines = list(lines)
    r = rng.random()
    if r < 0.2:
        lines[0] = "<i>" + lines[0]
        lines[-1] += "</i>"
    elif r < 0.35:
        k = rng.randrange(len(lines))
        lines[k] = "<i>" + lines[k] + "</i>"
    elif r < 0.45:
        k = rng.randrange(len(lines))
        words = lines[k].split(" ")
        w = rng.randrange(len(words))
        words[w] = "<b>" + words[w] + "</b>"
        lines[k] = " ".join(words)
    elif r < 0.52:
        k = rng.randrange(len(lines))
        lines[k] = '<font color="%s">%s</font>' % (rng.choice(SRT_COLOURS), lines[k])
    elif r < 0.56 and len(lines) > 1:
        lines[0] = "<u>" + lines[0]
        lines[1] += "</u>"
    elif r < 0.60:
        lines[0] = "<b><i>" + lines[0]
        lines[-1] += "</i></b>"
    if rng.random() < 0.08:
        lines[0] = rng.choice(["{\\an8}", "{\\an2}", "{\\an7}"]) + lines[0]
    return lines


def odd_sub_line(k, frame):
    """The k-th line a frame-based file should not have, in turn."""
    shapes = [
        "{%d}%d}missing brace" % (frame, frame + 50),
        "%d}{%d}missing brace" % (frame, frame + 50),
        "{ab}{cd}frames that are not numbers",
        "{%d}{}no stop frame" % frame,
        "{}{}no frames at all",
        "a line without frames",
        "{%d}{%d}" % (frame, frame + 10),
        "{%d}{%d}stop before start" % (frame + 40, frame),
        "{%d}{%d}{%d}one frame too many" % (frame, frame + 20, frame + 40),
        "{%d}{%d}[music]" % (frame, frame + 30),
        "",
    ]
    return shapes[k % len(shapes)]


def srt_time(ms):
    return "%02d:%02d:%02d,%03d" % (ms // 3600000, ms // 60000 % 60, ms // 1000 % 60, ms % 1000)


def make_input(name, seed, count, encoding, eol, languages, extra):
    rng = random.Random(seed)
    texts = Texts(rng, languages, "hi" in extra)
    rows = []
    if name.endswith(".sub"):
        if "fps" in extra:
            rows.append("{1}{1}23.976")
        frame = rng.randint(10, 500)
        odd = 0
        for _ in range(count):
            if "odd" in extra and rng.random() < 0.12:
                rows.append(odd_sub_line(odd, frame))
                odd += 1
                continue
            frame += rng.randint(0, 120)
            stop = frame + rng.randint(20, 150)
            lines = texts.entry()
            if "tags" in extra:
                lines = sub_tagged(rng, lines)
            rows.append("{%d}{%d}%s" % (frame, stop, "|".join(lines)))
            frame = stop
            if rng.random() < 0.01:
                frame += 90000  # an hour later
    else:
        ms = rng.randint(500, 20000)
        for number in range(1, count + 1):
            ms += rng.randint(0, 4000)
            stop = ms + rng.randint(700, 7000)
            timing = srt_time(ms) + " --> " + srt_time(stop)
            if "coords" in extra and rng.random() < 0.7:
                x1 = rng.randint(0, 300)
                y1 = rng.randint(0, 100)
                timing += "  X1:%d X2:%d Y1:%d Y2:%d" % (x1, x1 + rng.randint(50, 400), y1, y1 + 20)
            lines = texts.entry()
            if "tags" in extra:
                lines = srt_tagged(rng, lines)
            rows += [str(number), timing] + lines + [""]
            ms = stop
            if rng.random() < 0.01:
                ms += 3600000
    if "odd" in extra:  # now and then a line ends in LF or CR alone
        text = "".join(row + rng.choice([eol] * 30 + ["\n", "\r"]) for row in rows)
    else:
        text = eol.join(rows) + eol
    return text.encode("ascii" if encoding == "ascii" else encoding)


def cases(name, fps_of_fix):
    """(case, input, args, extension of the output) for one input; the input
    "@case" is what that case wrote."""
    stem, ext = os.path.splitext(name)
    stem = stem.replace(".", "_") + "_" + ext[1:]
    inp = "inputs/" + name
    rows = [
        (stem + "_fix", inp, "fix {in} -o {out}", ext),
        (stem + "_remove_hi", inp, "remove-hi {in} -o {out}", ext),
        (stem + "_fix_stdout", inp, "fix {in} -o -", "-"),  # the messages on stderr
        (stem + "_check", inp, "check {in}", "-"),
        (stem + "_check_json", inp, "check --json {in}", "-"),
    ]
    if ext == ".sub":
        rows += [
            (stem + "_convert_25", inp, "convert {in} -o {out} --fps 25", ".srt"),
            (stem + "_convert_23976", inp, "convert {in} -o {out} --fps 23.976", ".srt"),
        ]
        # Fixing a converted file, at one frame rate or the other.
        if fps_of_fix == "25":
            rows.append((stem + "_convert_25_fix", "@" + stem + "_convert_25", "fix {in} -o {out}", ".srt"))
        else:
            rows.append((stem + "_convert_23976_fix", "@" + stem + "_convert_23976",
                         "fix {in} -o {out} --fps 23.976", ".srt"))
    else:
        rows += [
            (stem + "_convert", inp, "convert {in} -o {out}", ".sub"),
            (stem + "_convert_fix", "@" + stem + "_convert", "fix {in} -o {out}", ".sub"),
        ]
    return rows


def escape(data):
    out = []
    for b in data:
        c = chr(b)
        if c == "\\":
            out.append("\\\\")
        elif c == "\t":
            out.append("\\t")
        elif c == "\n":
            out.append("\\n")
        elif c == "\r":
            out.append("\\r")
        elif b < 0x20 or b == 0x7F or (c == "@" and not out):
            out.append("\\x%02X" % b)
        else:
            out.append(c)
    # Bytes above 0x7F stay as they are.
    return "".join(out).encode("latin-1")


def run_case(binary, input_path, args, out_name):
    """Runs the program as the test does: in a fresh folder, on a copy."""
    with tempfile.TemporaryDirectory(prefix="linemend-oracle-") as folder:
        in_name = os.path.basename(input_path)
        shutil.copyfile(input_path, os.path.join(folder, in_name))
        argv = [a.replace("{in}", in_name).replace("{out}", out_name or "") for a in args.split(" ")]
        done = subprocess.run([binary] + argv, cwd=folder, capture_output=True, timeout=60)
        written = None
        if out_name and os.path.exists(os.path.join(folder, out_name)):
            with open(os.path.join(folder, out_name), "rb") as f:
                written = f.read()
        return done.returncode, done.stdout, done.stderr, written


def clean(folder):
    os.makedirs(folder, exist_ok=True)
    for entry in os.listdir(folder):
        os.remove(os.path.join(folder, entry))


def main():
    if len(sys.argv) > 2 or (len(sys.argv) == 2 and sys.argv[1].startswith("-")):
        sys.exit("usage: make_oracle.py [PATH/linemend]")
    inputs = os.path.join(ORACLE, "inputs")
    clean(inputs)
    stored = {}  # bytes -> name relative to ORACLE
    for source in INPUTS:
        data = make_input(*source)
        with open(os.path.join(inputs, source[0]), "wb") as f:
            f.write(data)
        stored.setdefault(data, "inputs/" + source[0])
    print("wrote %d inputs into %s" % (len(INPUTS), inputs))
    if len(sys.argv) < 2:
        return
    binary = os.path.abspath(sys.argv[1])
    expected = os.path.join(ORACLE, "expected")
    clean(expected)

    def store(data, name):
        """The name of a file holding `data`, written unless one already does
        (for {out}, one of the same extension)."""
        known = stored.get(data)
        if known and (name.endswith(".txt") or os.path.splitext(known)[1] == os.path.splitext(name)[1]):
            return known
        stored.setdefault(data, name)
        with open(os.path.join(ORACLE, name), "wb") as f:
            f.write(data)
        return name

    wrote = {}  # case -> what it wrote
    manifest = [b"# case\tinput\targs\texpect\tstatus\tstdout\tstderr\n"]
    for source in INPUTS:
        for case, inp, args, ext in cases(source[0], "25" if source[1] % 2 else "23.976"):
            if inp.startswith("@") and inp[1:] not in wrote:
                continue  # the command it follows wrote nothing
            inp = wrote[inp[1:]] if inp.startswith("@") else inp
            out_name = "out" + ext if ext != "-" else None
            status, out, err, written = run_case(binary, os.path.join(ORACLE, inp), args, out_name)
            if status < 0 or status > 2:
                sys.exit("%s: exit status %d: %s" % (case, status, err.decode(errors="replace")))
            if out_name and written is None:
                expect = "!" + ext  # nothing may be written
                shown = escape(out)
            elif out_name:
                expect = wrote[case] = store(written, "expected/" + case + ext)
                shown = escape(out)
            else:
                expect = "-"
                shown = b"@" + store(out, "expected/" + case + ".txt").encode()
            manifest.append(b"\t".join([case.encode(), inp.encode(), args.encode(), expect.encode(),
                                        str(status).encode(), shown, escape(err)]) + b"\n")
    with open(os.path.join(ORACLE, "manifest.tsv"), "wb") as f:
        f.writelines(manifest)
    print("wrote %d cases and %d expected files" % (len(manifest) - 1, len(os.listdir(expected))))


if __name__ == "__main__":
    main()
