#!/usr/bin/env python3
"""Draws the program's pictures into resources/ with ImageMagick's convert.

Run from anywhere: python3 tools/make_pictures.py [icons | splash]
("icons" draws only the application icons; "splash" those and the splash.)
The results are committed, so building never needs this script or ImageMagick.
"""
import os
import subprocess
import sys
import tempfile

ROOT = os.path.normpath(os.path.join(os.path.dirname(__file__), ".."))
RES = os.path.join(ROOT, "resources")
IMG = os.path.join(RES, "images")

FONT_DIR = "/usr/share/fonts/truetype/liberation2"
SANS_BOLD = os.path.join(FONT_DIR, "LiberationSans-Bold.ttf")
SANS = os.path.join(FONT_DIR, "LiberationSans-Regular.ttf")
MONO_BOLD = os.path.join(FONT_DIR, "LiberationMono-Bold.ttf")

SUB_YELLOW = "#ffd84a"


def run(*args):
    subprocess.run(["convert", *args], check=True)


def splash(path):
    w, h = 424, 259
    cols, cell_w, cell_h = 41, 9, 15
    grid_x = (w - cols * cell_w) // 2
    grid_y = 170
    rows = ["Two lines of at most", "41 characters, broken well."]

    draw = []
    # The 2 x 41 character grid, cells drawn one by one like the line editor.
    for r in range(2):
        for c in range(cols):
            x0 = grid_x + c * cell_w
            y0 = grid_y + r * (cell_h + 3)
            draw += ["-fill", "#0c1a2e", "-stroke", "#2f5782", "-strokewidth", "1",
                     "-draw", f"rectangle {x0},{y0} {x0 + cell_w - 1},{y0 + cell_h - 1}"]
    # Subtitle text centred in each row, one character per cell.
    for r, text in enumerate(rows):
        start = (cols - len(text)) // 2
        for i, ch in enumerate(text):
            if ch == " ":
                continue
            x0 = grid_x + (start + i) * cell_w
            y0 = grid_y + r * (cell_h + 3)
            glyph = ch.replace("\\", "\\\\").replace("'", "\\'")
            draw += ["-stroke", "none", "-fill", SUB_YELLOW, "-font", MONO_BOLD,
                     "-pointsize", "12",
                     "-draw", f"text {x0 + 1},{y0 + 12} '{glyph}'"]

    with tempfile.TemporaryDirectory() as tmp:
        base = os.path.join(tmp, "base.png")
        run("-size", f"{w}x{h}", "gradient:#1b3a63-#060d19", base)
        run(base,
            # a soft glow behind the title
            "(", "-size", f"{w}x{h}", "xc:none", "-fill", "#3d6fa833",
            "-draw", "ellipse 212,78 190,58 0,360", "-blur", "0x18", ")",
            "-composite",
            # thin frame, like the edge of a screen
            "-fill", "none", "-stroke", "#4b76a6", "-strokewidth", "1",
            "-draw", f"roundrectangle 6,6 {w - 7},{h - 7} 10,10",
            "-stroke", "#16304f", "-draw", f"roundrectangle 9,9 {w - 10},{h - 10} 8,8",
            # title with a drop shadow
            "-stroke", "none", "-font", SANS_BOLD, "-pointsize", "38",
            "-fill", "#00000099", "-gravity", "north",
            "-annotate", "+2+44", "Tornak Linemend",
            "-fill", "#ffffff", "-annotate", "+0+42", "Tornak Linemend",
            "-font", SANS, "-pointsize", "14", "-fill", "#a9c4e4",
            "-annotate", "+0+92", "Subtitle line editor",
            # separator
            "-gravity", "northwest", "-stroke", "#5a86b8", "-strokewidth", "1",
            "-draw", f"line 120,124 {w - 121},124",
            # (the version, under the separator, is drawn by the window:
            # it is the build's own)
            "-stroke", "none",
            # no gravity: text positions are baselines, matching the cells
            "+gravity",
            *draw,
            "-font", SANS, "-pointsize", "10", "-fill", "#6f8fb5",
            "-gravity", "south", "-annotate", "+0+14", "Click to start",
            "-quality", "92", "-sampling-factor", "4:4:4", path)


ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256, 512)


def icon(path, size):
    # Drawn at 256 pixels and scaled down, so small sizes stay smooth; 512 is
    # drawn at 512 rather than blown up.
    s = 512 if size > 256 else 256
    k = s / 256

    def box(kind, x0, y0, x1, y1, *radius):
        text = f"{kind} {x0 * k:g},{y0 * k:g} {x1 * k:g},{y1 * k:g}"
        if radius:
            text += " " + ",".join(f"{r * k:g}" for r in radius)
        return text

    run("-size", f"{s}x{s}", "xc:none",
        "-fill", "#0f2746", "-stroke", "#5f8fc4", "-strokewidth", f"{10 * k:g}",
        "-draw", box("roundrectangle", 12, 28, 244, 212, 28, 28),
        "-fill", "#5f8fc4", "-stroke", "none",
        "-draw", "polygon " + " ".join(f"{x * k:g},{y * k:g}" for x, y in
                                       ((100, 212), (156, 212), (176, 244), (80, 244))),
        "-draw", box("roundrectangle", 60, 236, 196, 250, 6, 6),
        # two subtitle lines near the bottom of the screen
        "-fill", SUB_YELLOW,
        "-draw", box("roundrectangle", 48, 130, 208, 152, 8, 8),
        "-draw", box("roundrectangle", 72, 166, 184, 188, 8, 8),
        # a cursor cell
        "-fill", "#ffffff",
        "-draw", box("rectangle", 48, 62, 64, 110),
        "-filter", "Lanczos", "-resize", f"{size}x{size}",
        # no timestamps, so that drawing again changes no committed bytes
        "-define", "png:exclude-chunks=date,time",
        f"PNG32:{path}")


def icons():
    # The freedesktop icon theme sizes, installed under share/icons/hicolor.
    for size in ICON_SIZES:
        folder = os.path.join(RES, "icons", f"{size}x{size}")
        os.makedirs(folder, exist_ok=True)
        icon(os.path.join(folder, "tornak-linemend.png"), size)
    icon(os.path.join(IMG, "icon32.png"), 32)


def about_picture(path):
    # A strip of film standing upright, its frames carrying subtitle lines.
    w, h = 43, 71
    s = 4  # drawn four times larger, then scaled down
    draw = ["-fill", "#1c1c1c", "-draw", f"roundrectangle 0,0 {w * s - 1},{h * s - 1} 10,10"]
    for i in range(8):
        y = 8 + i * 36
        draw += ["-fill", "#e8e8e8",
                 "-draw", f"roundrectangle 8,{y} 24,{y + 18} 3,3",
                 "-draw", f"roundrectangle {w * s - 25},{y} {w * s - 9},{y + 18} 3,3"]
    for i in range(3):
        y = 14 + i * 92
        draw += ["-fill", "#2e5e93",
                 "-draw", f"rectangle 36,{y} {w * s - 37},{y + 80}",
                 "-fill", SUB_YELLOW,
                 "-draw", f"rectangle 48,{y + 54} {w * s - 49},{y + 60}",
                 "-draw", f"rectangle 58,{y + 66} {w * s - 59},{y + 72}"]
    run("-size", f"{w * s}x{h * s}", "xc:none", *draw,
        "-filter", "Lanczos", "-resize", f"{w}x{h}!", f"PNG32:{path}")


def arrows(path, width, count, right):
    # Triangles of 5 x 9 pixels, 5 apart, centred in a 14 pixel high button face.
    s = 8
    tri_w, gap = 5, 5
    total = tri_w + (count - 1) * gap
    x = (width - total) / 2.0
    draw = ["-fill", "#202020", "-stroke", "none"]
    for i in range(count):
        o = x + i * gap
        pts = [(o, 7.0), (o + tri_w, 2.5), (o + tri_w, 11.5)]
        draw += ["-draw", "polygon " + " ".join(f"{px * s:.1f},{py * s:.1f}" for px, py in pts)]
    args = ["-size", f"{width * s}x{14 * s}", "xc:none", *draw]
    if right:
        args.append("-flop")
    run(*args, "-filter", "Box", "-resize", f"{width}x14!", f"PNG32:{path}")


def main():
    os.makedirs(IMG, exist_ok=True)
    icons()
    if sys.argv[1:] == ["icons"]:
        return
    splash(os.path.join(IMG, "splash.jpg"))
    if sys.argv[1:] == ["splash"]:
        return
    about_picture(os.path.join(IMG, "about.png"))
    for width, count, name in ((17, 3, "100"), (12, 2, "10"), (9, 1, "1")):
        arrows(os.path.join(IMG, f"left_{name}.png"), width, count, False)
        arrows(os.path.join(IMG, f"right_{name}.png"), width, count, True)


if __name__ == "__main__":
    main()
