#!/usr/bin/python3
"""Lays the skin bitmaps out as the view paints them, on an 800 x 560 canvas, for looking at.

Positions come from form/skin_layout.cpp and form/control_layout.cpp, so the picture shows what
the program draws. Usage: /usr/bin/python3 tools/skin_preview.py [out.png] [--lit N] [--controls]
  --lit N      show top button N (1-10) and every lower button in the highlighted look
  --controls   outline where the window places its native controls, and a sample waveform
"""

import math
import os
import re
import sys

from PIL import Image, ImageDraw

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SKIN = os.path.join(ROOT, "res", "skin")
VIEW_BG = (0xC8, 0xCC, 0xD2)


def layout():
    src = open(os.path.join(ROOT, "form", "skin_layout.cpp"), encoding="utf-8").read()
    framework = src[src.index("kFramework"):]
    framework = framework[:framework.index("}};")]
    placements = [tuple(map(int, m)) for m in re.findall(r"\{(\d+), (\d+), (\d+)\}", framework)]
    tops = [(int(n), int(a), int(b)) for n, a, b in re.findall(r"Top\((\d+), (\d+), (\d+),", src)]
    lowers = [tuple(map(int, m)) for m in re.findall(r"Lower\((\d+), (\d+), (\d+), (\d+),", src)]
    return placements, tops, lowers


def controls():
    src = open(os.path.join(ROOT, "form", "control_layout.cpp"), encoding="utf-8").read()
    found = []
    for ident, label, l, t, r, b, vis in re.findall(
            r"\{(\w+), (nullptr|\"[^\"]*\"), Rect\{(\d+), (\d+), (\d+), (\d+)\}, (true|false)\}", src):
        found.append((ident, label.strip('"') if label != "nullptr" else "", int(l), int(t), int(r), int(b), vis == "true"))
    return found


def main():
    args = sys.argv[1:]
    out = "/tmp/vexalo_skin_preview.png"
    lit = 0
    show_controls = False
    i = 0
    while i < len(args):
        if args[i] == "--lit":
            lit = int(args[i + 1])
            i += 2
            continue
        if args[i] == "--controls":
            show_controls = True
        else:
            out = args[i]
        i += 1

    img = Image.new("RGB", (800, 560), VIEW_BG)

    def draw(rid, x, y):
        path = os.path.join(SKIN, f"{rid}.png")
        if os.path.exists(path):
            bmp = Image.open(path).convert("RGBA")
            img.paste(bmp, (x, y), bmp)

    placements, tops, lowers = layout()
    for rid, x, y in placements:
        draw(rid, x, y)
    for n, normal, hl in tops:
        draw(normal, 5 + 76 * (n - 1), 4)
    by_id = {normal: (hl, x, y) for normal, hl, x, y in lowers}
    for normal in (239, 241, 243, 230, 228, 232, 234, 236):
        hl, x, y = by_id[normal]
        draw(hl if lit else normal, x, y)
    if lit:
        n, normal, hl = tops[lit - 1]
        draw(hl, 5 + 76 * (n - 1), 4)

    d = ImageDraw.Draw(img)
    if show_controls:
        for ident, label, l, t, r, b, visible in controls():
            if ident == "kIdcWaveArea":
                right = r - 5
                mid = t + (b - t) // 2
                for x in range(l, right):
                    v = math.sin(x * 0.21) * 0.6 + math.sin(x * 0.057 + 1.0) * 0.4
                    env = 0.4 + 0.6 * abs(math.sin(x / 140.0))
                    d.line([(x, mid), (x, mid - int(v * env * 60))], fill=(0, 200, 100))
                d.line([(l, mid), (right, mid)], fill=(0, 200, 100))
                continue
            if label:
                d.text((l + 2, t + 4), label, fill=(0, 0, 0))
                continue
            fill = (255, 255, 255) if ident in ("kIdcEditor", "kIdcAdjustSeconds", "kIdcAdjustTenths") else None
            d.rectangle([l, t, r - 1, b - 1], fill=fill, outline=(0x40, 0x40, 0x40))
            if ident == "kIdcSlider":
                mid = (t + b) // 2
                d.rectangle([l + 8, mid - 2, r - 9, mid + 1], fill=(0xA0, 0xA6, 0xB0))
                d.rectangle([l + 60, t + 3, l + 70, b - 4], fill=(0xF0, 0xF0, 0xF0), outline=(0x40, 0x40, 0x40))
            if ident == "kIdcEditor":
                d.text((l + 4, t + 4), "\xa7[00:00:12.34]\xbb First line of the song", fill=(0, 0, 0))
    img.save(out)
    print(out)


if __name__ == "__main__":
    main()
