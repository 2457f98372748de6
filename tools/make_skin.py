#!/usr/bin/python3
"""Draws the editor's skin: every bitmap of the form view, the cursors, the splash and About
pictures and the application icon, as PNG files named by resource id under res/skin/.

Run from anywhere: /usr/bin/python3 tools/make_skin.py [output folder]. The sizes must stay those
of form/skin_layout.cpp; tests/form checks every file against that table.
"""

import os
import sys

from PIL import Image, ImageDraw, ImageFont

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "res", "skin")

FONT_DIR = "/usr/share/fonts/truetype/dejavu"
BOLD = os.path.join(FONT_DIR, "DejaVuSans-Bold.ttf")
COND_BOLD = os.path.join(FONT_DIR, "DejaVuSansCondensed-Bold.ttf")
REGULAR = os.path.join(FONT_DIR, "DejaVuSans.ttf")

SS = 4  # supersampling factor for shapes

# Palette. VIEW_BG is skin::kViewBackground: the window clears the view to it.
VIEW_BG = (0xC8, 0xCC, 0xD2)
BAR_BG = (0xB4, 0xBB, 0xC6)        # the top bar strip behind the ten buttons
FIELD_EDGE_DARK = (0x6A, 0x74, 0x84)
FIELD_EDGE_LIGHT = (0xEE, 0xF1, 0xF5)
WHITE = (0xFF, 0xFF, 0xFF)
INK = (0x1B, 0x2A, 0x45)           # label text
CAPTION_INK = (0x1F, 0x3A, 0x68)
FACE_TOP = (0xF7, 0xF9, 0xFC)
FACE_BOTTOM = (0xDC, 0xE2, 0xEB)
FACE_BORDER = (0x5E, 0x6D, 0x86)
SHADOW = (0x8E, 0x97, 0xA6)
LIT_TOP = (0xFF, 0xE6, 0xA8)
LIT_BOTTOM = (0xF6, 0xBE, 0x4F)
LIT_BORDER = (0x1F, 0x5F, 0xC8)
LIT_INK = (0x14, 0x1E, 0x33)
FRAME_BAND = (0x72, 0x82, 0x9C)
FRAME_LIGHT = (0xF2, 0xF4, 0xF8)
PANEL_BLUE = (0x93, 0xC4, 0xEC)   # the lyric text is drawn on RGB(147, 196, 236)
PANEL_EDGE = (0x86, 0xB6, 0xE6)
WAVE_GREEN = (0, 200, 100)

TOP_NORMAL = (76, 38)
TOP_LIT = (72, 35)

# Skin pictures: id -> (width, height, 16 colours?), as in form/skin_layout.cpp.
SIZES = {
    143: (767, 211, True), 246: (134, 19, False), 247: (121, 16, False), 268: (111, 16, False),
    252: (27, 15, False), 253: (91, 19, False), 254: (7, 245, False), 255: (7, 245, False),
    257: (549, 9, False), 267: (549, 11, False), 259: (178, 11, False), 258: (178, 10, False),
    261: (157, 97, False),
    239: (106, 23, False), 240: (106, 23, False), 241: (106, 23, False), 242: (106, 23, False),
    243: (105, 22, False), 244: (105, 22, False),
    228: (40, 22, False), 229: (40, 22, False), 230: (42, 22, False), 231: (42, 22, False),
    232: (41, 22, False), 233: (41, 22, False), 234: (42, 22, False), 235: (42, 22, False),
    236: (41, 22, False), 237: (41, 22, False),
}

# The ten top buttons: normal id, highlighted id, label lines.
TOP_BUTTONS = [
    (186, 185, ["MP3", "Open"]),
    (188, 187, ["SyncMP3", "Save"]),
    (212, 290, ["Text", "Open"]),
    (214, 291, ["Text", "Save"]),
    (194, 193, ["1:1", "View"]),
    (196, 195, ["User", "View"]),
    (198, 197, ["MP3+Txt"]),
    (200, 199, ["Clear"]),
    (202, 201, ["ID3 Tag"]),
    (226, 283, ["Help"]),
]
for normal, lit, _ in TOP_BUTTONS:
    SIZES[normal] = TOP_NORMAL + (True,)
    SIZES[lit] = TOP_LIT + (False,)

# Lower buttons: normal id, highlighted id, label, (face width, face height) = the hit rectangle.
LOWER_BUTTONS = [
    (239, 240, "Insert TimeInfo", (103, 22)),
    (241, 242, "Side Time", (105, 22)),
    (243, 244, "Adjust", (104, 20)),
    (228, 229, "<<", (38, 18)),
    (230, 231, ">>", (38, 18)),
    (232, 233, "Play", (38, 18)),
    (234, 235, "Pause", (38, 18)),
    (236, 237, "Stop", (38, 18)),
]

# Inclusive bounds of the white waveform field in 143 (skin::kWaveField).
WAVE_FIELD = (20, 46, 757, 198)


def font(path, size):
    return ImageFont.truetype(path, size)


def lerp(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def gradient(w, h, top, bottom):
    img = Image.new("RGB", (w, h))
    d = ImageDraw.Draw(img)
    for y in range(h):
        d.line([(0, y), (w, y)], fill=lerp(top, bottom, y / max(1, h - 1)))
    return img


def rounded_face(size, box, radius, top, bottom, border, border_width, bg):
    """An anti-aliased rounded rectangle with a vertical gradient, on a plain background."""
    w, h = size
    big = Image.new("RGB", (w * SS, h * SS), bg)
    x0, y0, x1, y1 = box
    mask = Image.new("L", big.size, 0)
    ImageDraw.Draw(mask).rounded_rectangle(
        [x0 * SS, y0 * SS, (x1 + 1) * SS - 1, (y1 + 1) * SS - 1], radius=radius * SS, fill=255)
    big.paste(Image.new("RGB", big.size, border), (0, 0), mask)
    bw = border_width * SS
    inner = Image.new("L", big.size, 0)
    ImageDraw.Draw(inner).rounded_rectangle(
        [x0 * SS + bw, y0 * SS + bw, (x1 + 1) * SS - 1 - bw, (y1 + 1) * SS - 1 - bw],
        radius=max(1, radius * SS - bw), fill=255)
    big.paste(gradient(w * SS, h * SS, top, bottom), (0, 0), inner)
    return big.resize((w, h), Image.LANCZOS)


def draw_centered(img, box, lines, fnt, fill, spacing=1):
    """Centres lines of text in box (inclusive), on the height of a capital letter, so labels
    with and without descenders sit on the same baseline."""
    d = ImageDraw.Draw(img)
    x0, y0, x1, y1 = box
    _, cap_top, _, cap_bottom = d.textbbox((0, 0), "H", font=fnt)
    line_h = cap_bottom - cap_top
    gap = spacing + max(2, line_h // 3)
    total = line_h * len(lines) + gap * (len(lines) - 1)
    top = y0 + (y1 - y0 + 1 - total) / 2
    for i, line in enumerate(lines):
        l, _, r, _ = d.textbbox((0, 0), line, font=fnt)
        x = x0 + (x1 - x0 + 1 - (r - l)) / 2
        d.text((round(x - l), round(top - cap_top + i * (line_h + gap))), line, font=fnt, fill=fill)


def fit_font(path, lines, max_w, max_h, start):
    probe = ImageDraw.Draw(Image.new("RGB", (1, 1)))
    for size in range(start, 6, -1):
        fnt = font(path, size)
        w = max(probe.textbbox((0, 0), s, font=fnt)[2] for s in lines)
        h = (size + 1) * len(lines)
        if w <= max_w and h <= max_h:
            return fnt
    return font(path, 7)


def sixteen_colours(img):
    return img.convert("RGB").quantize(colors=16, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)


def save(img, rid, sixteen=False):
    w, h, _ = SIZES[rid] if rid in SIZES else (img.width, img.height, False)
    assert img.size == (w, h), (rid, img.size, (w, h))
    (sixteen_colours(img) if sixteen else img).save(os.path.join(OUT, f"{rid}.png"), optimize=True)


def background():
    w, h, _ = SIZES[143]
    img = Image.new("RGB", (w, h), VIEW_BG)
    d = ImageDraw.Draw(img)
    d.rectangle([0, 0, w - 1, 43], fill=BAR_BG)
    d.line([(0, 43), (w - 1, 43)], fill=FIELD_EDGE_DARK)
    d.line([(w - 1, 0), (w - 1, 43)], fill=FIELD_EDGE_DARK)
    x0, y0, x1, y1 = WAVE_FIELD
    d.rectangle([x0 - 2, y0 - 2, x1 + 2, y1 + 2], fill=FIELD_EDGE_LIGHT)
    d.rectangle([x0 - 2, y0 - 2, x1 + 1, y1 + 1], fill=FIELD_EDGE_DARK)
    d.rectangle([x0 - 1, y0 - 1, x1 + 1, y1 + 1], fill=SHADOW)
    d.rectangle([x0, y0, x1, y1], fill=WHITE)
    save(img, 143, sixteen=True)


def top_buttons():
    label_font = font(COND_BOLD, 11)
    for normal, lit, lines in TOP_BUTTONS:
        w, h = TOP_NORMAL
        # The face is the hit rectangle (66 x 31); a 2-pixel shadow falls right and below.
        img = Image.new("RGB", (w, h), BAR_BG)
        shadow = rounded_face((w, h), (2, 2, 67, 32), 5, SHADOW, SHADOW, SHADOW, 1, BAR_BG)
        img.paste(shadow)
        face = rounded_face((w, h), (0, 0, 65, 30), 5, FACE_TOP, FACE_BOTTOM, FACE_BORDER, 1, BAR_BG)
        mask = Image.new("L", (w * SS, h * SS), 0)
        ImageDraw.Draw(mask).rounded_rectangle([0, 0, 66 * SS - 1, 31 * SS - 1], radius=5 * SS, fill=255)
        img.paste(face, (0, 0), mask.resize((w, h), Image.LANCZOS))
        draw_centered(img, (1, 1, 64, 29), lines, label_font, INK)
        save(img, normal, sixteen=True)

        w, h = TOP_LIT
        # Pressed: the face sinks by one pixel onto where the shadow was, lit amber, blue rim.
        img = rounded_face((w, h), (1, 1, 66, 31), 5, LIT_TOP, LIT_BOTTOM, LIT_BORDER, 2, BAR_BG)
        draw_centered(img, (2, 2, 65, 30), lines, label_font, LIT_INK)
        save(img, lit)


def lower_buttons():
    for normal, lit, label, (fw, fh) in LOWER_BUTTONS:
        w, h, _ = SIZES[normal]
        size = 11 if fh >= 20 else 10
        fnt = fit_font(COND_BOLD, [label], fw - 6, fh - 2, size)
        img = Image.new("RGB", (w, h), VIEW_BG)
        img.paste(rounded_face((w, h), (1, 1, min(w - 1, fw), min(h - 1, fh)), 4, SHADOW, SHADOW, SHADOW, 1, VIEW_BG))
        face = rounded_face((w, h), (0, 0, fw - 1, fh - 1), 4, FACE_TOP, FACE_BOTTOM, FACE_BORDER, 1, VIEW_BG)
        mask = Image.new("L", (w * SS, h * SS), 0)
        ImageDraw.Draw(mask).rounded_rectangle([0, 0, fw * SS - 1, fh * SS - 1], radius=4 * SS, fill=255)
        img.paste(face, (0, 0), mask.resize((w, h), Image.LANCZOS))
        draw_centered(img, (0, 0, fw - 1, fh - 1), [label], fnt, INK)
        save(img, normal)

        img = rounded_face((w, h), (1, 1, min(w - 1, fw), min(h - 1, fh)), 4, LIT_TOP, LIT_BOTTOM, LIT_BORDER, 2, VIEW_BG)
        draw_centered(img, (1, 1, min(w - 1, fw), min(h - 1, fh)), [label], fnt, LIT_INK)
        save(img, lit)


def caption(rid, text, size, bottom_margin=0, top_margin=0):
    w, h, _ = SIZES[rid]
    img = Image.new("RGB", (w, h), VIEW_BG)
    fnt = fit_font(BOLD, [text], w - 2, h - top_margin - bottom_margin, size)
    d = ImageDraw.Draw(img)
    l, t, r, b = d.textbbox((0, 0), text, font=fnt)
    y = top_margin + (h - top_margin - bottom_margin - (b - t)) // 2 - t
    d.text((1 - l, y), text, font=fnt, fill=CAPTION_INK)
    save(img, rid)


def frames():
    # Frame pictures: a 3-pixel band, 2 pixels in from the outer edge, with a light inner line.
    def side(rid):
        w, h, _ = SIZES[rid]
        img = Image.new("RGB", (w, h), VIEW_BG)
        d = ImageDraw.Draw(img)
        d.rectangle([2, 0, 4, h - 1], fill=FRAME_BAND)
        d.line([(5, 0), (5, h - 1)], fill=FRAME_LIGHT)
        save(img, rid)

    def top(rid, right_band):
        w, h, _ = SIZES[rid]
        big = Image.new("RGB", (w * SS, h * SS), VIEW_BG)
        d = ImageDraw.Draw(big)
        d.rounded_rectangle([2 * SS, 2 * SS, (right_band + 3) * SS - 1, (h + 12) * SS],
                            radius=5 * SS, outline=FRAME_BAND, width=3 * SS)
        img = big.resize((w, h), Image.LANCZOS)
        d = ImageDraw.Draw(img)
        d.line([(7, 5), (right_band - 3, 5)], fill=FRAME_LIGHT)
        d.line([(5, 7), (5, h - 1)], fill=FRAME_LIGHT)
        save(img, rid)

    def bottom(rid, right_band, band_y):
        w, h, _ = SIZES[rid]
        big = Image.new("RGB", (w * SS, h * SS), VIEW_BG)
        d = ImageDraw.Draw(big)
        d.rounded_rectangle([2 * SS, (band_y - 20) * SS, (right_band + 3) * SS - 1, (band_y + 3) * SS - 1],
                            radius=5 * SS, outline=FRAME_BAND, width=3 * SS)
        img = big.resize((w, h), Image.LANCZOS)
        d = ImageDraw.Draw(img)
        d.line([(5, 0), (5, band_y - 4)], fill=FRAME_LIGHT)
        save(img, rid)

    side(254)
    side(255)
    # The editor frame spans x 15..563 (right band at 559..561); the panel frame 570..746
    # (right band at 742..744).
    top(257, 544)
    top(259, 172)
    bottom(267, 544, 5)
    bottom(258, 172, 5)


def lyric_panel():
    w, h, _ = SIZES[261]
    img = rounded_face((w, h), (0, 0, w - 1, h - 1), 6, PANEL_BLUE, PANEL_BLUE, PANEL_EDGE, 1, VIEW_BG)
    save(img, 261)


def checkbox_label():
    caption(253, "Auto Next", 12)


def wave_points(w, h, cycles=7.0, seed=3):
    import math
    pts = []
    for x in range(w):
        t = x / w
        env = 0.35 + 0.65 * abs(math.sin(t * math.pi * 2.3 + seed))
        v = math.sin(t * math.pi * 2 * cycles * 3.1) * 0.6 + math.sin(t * math.pi * 2 * cycles * 7.7 + 1) * 0.4
        pts.append(v * env)
    return pts


def logo(size):
    """The application mark: a blue rounded tile with a green waveform and two caption bars."""
    s = size * SS
    big = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    d = ImageDraw.Draw(big)
    r = s // 6
    d.rounded_rectangle([s // 32, s // 32, s - s // 32, s - s // 32], radius=r, fill=(0x1F, 0x4E, 0x9A, 255))
    d.rounded_rectangle([s // 10, s // 10, s - s // 10, s * 56 // 100], radius=r // 2, fill=(255, 255, 255, 255))
    mid = s * 33 // 100
    amp = s * 18 // 100
    left, right = s * 14 // 100, s * 86 // 100
    pts = wave_points(right - left, 1, cycles=1.6)
    step = max(1, SS * size // 48)
    for i in range(0, right - left, step * 2):
        v = pts[i]
        d.rectangle([left + i, mid - abs(v) * amp, left + i + step, mid + abs(v) * amp * 0.8], fill=WAVE_GREEN + (255,))
    d.line([(left, mid), (right, mid)], fill=WAVE_GREEN + (255,), width=max(1, SS * size // 64))
    bar = s * 7 // 100
    d.rounded_rectangle([s * 14 // 100, s * 64 // 100, s * 86 // 100, s * 64 // 100 + bar],
                        radius=bar // 2, fill=(0xD9, 0xEE, 0xFF, 255))
    d.rounded_rectangle([s * 14 // 100, s * 77 // 100, s * 62 // 100, s * 77 // 100 + bar],
                        radius=bar // 2, fill=(0xF6, 0xBE, 0x4F, 255))
    return big.resize((size, size), Image.LANCZOS)


def splash():
    w, h = 300, 244
    img = gradient(w, h, (0x24, 0x55, 0xA6), (0x10, 0x26, 0x4D))
    d = ImageDraw.Draw(img)
    # A waveform across the middle, as the editor shows it.
    field = (18, 96, w - 19, 170)
    d.rounded_rectangle(field, radius=6, fill=WHITE)
    mid = (field[1] + field[3]) // 2
    pts = wave_points(field[2] - field[0] - 16, 1)
    for i, v in enumerate(pts):
        x = field[0] + 8 + i
        d.line([(x, mid), (x, mid - int(v * 30))], fill=WAVE_GREEN)
    d.line([(field[0] + 8, mid), (field[2] - 8, mid)], fill=WAVE_GREEN)
    lg = logo(56)
    img.paste(lg, (18, 20), lg)
    d.text((84, 22), "Vexalo", font=font(BOLD, 24), fill=WHITE)
    d.text((85, 52), "Caption Editor", font=font(BOLD, 17), fill=(0xD9, 0xEE, 0xFF))
    d.text((18, 184), "Timed lyrics for MP3 songs", font=font(REGULAR, 12), fill=(0xD9, 0xEE, 0xFF))
    d.text((18, 204), "Version 1.0", font=font(BOLD, 12), fill=(0xF6, 0xBE, 0x4F))
    img.save(os.path.join(OUT, "262.png"), optimize=True)


def about():
    lg = logo(96)
    img = Image.new("RGB", (96, 96), (0xF0, 0xF0, 0xF0))
    img.paste(lg, (0, 0), lg)
    img.save(os.path.join(OUT, "141.png"), optimize=True)


def icons():
    logo(64).save(os.path.join(OUT, "128.png"), optimize=True)
    logo(256).save(os.path.join(OUT, "icon-256.png"), optimize=True)


def cursors():
    black = (0, 0, 0, 255)
    white = (255, 255, 255, 255)

    def canvas():
        img = Image.new("RGBA", (32 * SS, 32 * SS), (0, 0, 0, 0))
        return img, ImageDraw.Draw(img)

    def pts(seq):
        return [(x * SS, y * SS) for x, y in seq]

    def done(img, rid):
        img.resize((32, 32), Image.LANCZOS).save(os.path.join(OUT, f"{rid}.png"), optimize=True)

    # 170: pointing hand, hot spot at the finger tip (10, 2).
    img, d = canvas()
    hand = [(8.5, 3), (9.5, 1.5), (11.5, 1.5), (12.5, 3), (12.5, 11), (14, 10), (16, 10.5), (16.5, 12),
            (18, 11.5), (20, 12.5), (20.5, 14), (22, 13.5), (24, 14.5), (24.5, 17), (24.5, 22),
            (22.5, 27), (22.5, 30), (11, 30), (11, 27.5), (6, 21), (4.5, 17.5), (5.5, 16), (7.5, 16.5),
            (8.5, 18.5)]
    d.polygon(pts(hand), fill=white, outline=black, width=SS + SS // 2)
    for x in (12.5, 16.5, 20.5):
        d.line(pts([(x, 14.5), (x, 19)]), fill=black, width=SS)
    done(img, 170)

    def magnifier(rid, inner):
        img, d = canvas()
        d.line(pts([(18, 18), (28, 28)]), fill=black, width=6 * SS)
        d.line(pts([(18.5, 18.5), (27.5, 27.5)]), fill=(0x8A, 0x5A, 0x2B, 255), width=3 * SS)
        d.ellipse(pts([(3, 3), (21, 21)]), fill=white, outline=black, width=2 * SS)
        inner(d)
        done(img, rid)

    blue = (0x1F, 0x5F, 0xC8, 255)
    # 177: magnifier with "+", the 200-frame window view; hot spot at the lens centre (12, 12).
    magnifier(177, lambda d: (d.line(pts([(7, 12), (17, 12)]), fill=blue, width=2 * SS),
                              d.line(pts([(12, 7), (12, 17)]), fill=blue, width=2 * SS)))
    # 179: magnifier with a double arrow, the whole waveform; hot spot at the lens centre.
    magnifier(179, lambda d: (d.line(pts([(7, 12), (17, 12)]), fill=blue, width=2 * SS),
                              d.polygon(pts([(6, 12), (9.5, 9), (9.5, 15)]), fill=blue),
                              d.polygon(pts([(18, 12), (14.5, 9), (14.5, 15)]), fill=blue)))

    # 178: arrow with a question mark, help; hot spot at the arrow's tip (2, 2).
    img, d = canvas()
    arrow = [(2, 2), (2, 22), (7, 17.5), (10.5, 25), (13.5, 23.5), (10, 16.5), (16.5, 16.5)]
    d.polygon(pts(arrow), fill=white, outline=black, width=SS + SS // 2)
    d.ellipse(pts([(16, 2), (30, 16)]), fill=blue, outline=black, width=SS)
    q = font(BOLD, 11 * SS)
    l, t, r, b = d.textbbox((0, 0), "?", font=q)
    d.text((23 * SS - (r + l) / 2, 9 * SS - (b + t) / 2), "?", font=q, fill=white)
    done(img, 178)


def main():
    os.makedirs(OUT, exist_ok=True)
    background()
    top_buttons()
    lower_buttons()
    caption(246, "Song Text Editor", 13)
    caption(247, "Lyric Panel", 12, top_margin=4)
    caption(268, "Time Adjust", 12)
    caption(252, "Sec", 11)
    checkbox_label()
    frames()
    lyric_panel()
    splash()
    about()
    icons()
    cursors()


if __name__ == "__main__":
    main()
