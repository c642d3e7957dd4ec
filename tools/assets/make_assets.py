#!/usr/bin/python3
"""Draws every picture and the hit sound of the RES folder, and the program icon.

Run from anywhere with Debian's Pillow (python3-pil) and the Noto Sans CJK
fonts (fonts-noto-cjk):

    /usr/bin/python3 tools/assets/make_assets.py [--out RES] [--icon packaging/kestran.png]
                                                 [--preview /tmp/assets-preview.png]

The output is deterministic, so regenerating gives the committed files back.
"""

import argparse
import math
import os
import random
import struct
import wave

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CJK_BOLD = "/usr/share/fonts/opentype/noto/NotoSansCJK-Bold.ttc"
CJK_REGULAR = "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc"
SC_INDEX = 2  # Simplified Chinese face inside the collections

SS = 4  # supersampling factor for smooth edges

# The dialog's client area and what sits on it, in client pixels (the
# dialog's 267 x 116 units at 9 x 19 pixel dialog units).
CLIENT = (601, 276)
ANSWER_BOX_RECT = (191, 185, 418, 218)
SLIDER_RECT = (212, 228, 392, 247)
CANVAS_RECT = (58, 33, 538, 108)
BUTTONS = {
    # name: (x, y, width, height)
    "b1": (264, 145, 76, 38),
    "b2": (165, 147, 105, 38),
    "b3": (335, 147, 105, 38),
    "b4": (123, 180, 50, 50),
    "b5": (432, 180, 50, 50),
}

# Palette: calm paper and slate behind, deep blue buttons that belong with
# the blue canvas, warm yellow for the hover accent (the canvas's word colour).
PAPER_TOP = (246, 243, 236)
PAPER_BOTTOM = (221, 230, 239)
SLATE = (86, 104, 128)
BUTTON_TOP = (64, 112, 178)
BUTTON_BOTTOM = (33, 70, 128)
HOVER_TOP = (92, 150, 226)
HOVER_BOTTOM = (46, 98, 178)
ACCENT = (255, 214, 92)
WHITE = (255, 255, 255)


def font(size, bold=True):
    return ImageFont.truetype(CJK_BOLD if bold else CJK_REGULAR, size, index=SC_INDEX)


def lerp(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def vertical_gradient(size, top, bottom):
    w, h = size
    column = Image.new("RGB", (1, h))
    for y in range(h):
        column.putpixel((0, y), lerp(top, bottom, y / max(1, h - 1)))
    return column.resize((w, h))


def shrink(image, size):
    return image.resize(size, Image.LANCZOS)


def soft_shadow(size, box, radius, blur, opacity):
    """An RGBA layer with a blurred dark rounded rectangle."""
    layer = Image.new("RGBA", size, (0, 0, 0, 0))
    mask = Image.new("L", size, 0)
    ImageDraw.Draw(mask).rounded_rectangle(box, radius=radius, fill=int(255 * opacity))
    mask = mask.filter(ImageFilter.GaussianBlur(blur))
    layer.putalpha(mask)
    return layer


# --- Dialog background -------------------------------------------------------

def background():
    w, h = CLIENT
    big = (w * SS, h * SS)
    img = vertical_gradient(big, PAPER_TOP, PAPER_BOTTOM).convert("RGBA")

    # A few large, very faint discs give the paper some depth.
    rng = random.Random(7)
    glow = Image.new("RGBA", big, (0, 0, 0, 0))
    g = ImageDraw.Draw(glow)
    for _ in range(9):
        r = rng.randint(40, 110) * SS
        cx = rng.randint(0, w) * SS
        cy = rng.randint(0, h) * SS
        tint = rng.choice([(255, 255, 255, 70), (170, 196, 226, 46), (255, 236, 190, 40)])
        g.ellipse((cx - r, cy - r, cx + r, cy + r), fill=tint)
    glow = glow.filter(ImageFilter.GaussianBlur(24 * SS))
    img = Image.alpha_composite(img, glow)

    # A shallow wave across the lower half, where the controls sit.
    wave_layer = Image.new("RGBA", big, (0, 0, 0, 0))
    wd = ImageDraw.Draw(wave_layer)
    points = [(0, h * SS)]
    for x in range(0, w + 1, 4):
        y = 132 + 10 * math.sin(x / 95.0 + 0.6) + 5 * math.sin(x / 41.0)
        points.append((x * SS, y * SS))
    points.append((w * SS, h * SS))
    wd.polygon(points, fill=(196, 212, 230, 120))
    points2 = [(0, h * SS)]
    for x in range(0, w + 1, 4):
        y = 150 + 8 * math.sin(x / 70.0 + 2.1)
        points2.append((x * SS, y * SS))
    points2.append((w * SS, h * SS))
    wd.polygon(points2, fill=(182, 201, 224, 90))
    wave_layer = wave_layer.filter(ImageFilter.GaussianBlur(2 * SS))
    img = Image.alpha_composite(img, wave_layer)

    # A soft shadow under the canvas, so the blue strip sits like a card.
    l, t, r, b = CANVAS_RECT
    img = Image.alpha_composite(
        img, soft_shadow(big, (l * SS - 2 * SS, t * SS, r * SS + 2 * SS, b * SS + 5 * SS), 8 * SS, 5 * SS, 0.35))
    frame = ImageDraw.Draw(img)
    frame.rounded_rectangle((l * SS - 3 * SS, t * SS - 3 * SS, r * SS + 3 * SS, b * SS + 3 * SS),
                            radius=5 * SS, fill=(250, 251, 253, 255), outline=(168, 184, 206, 255), width=SS)

    # Wordmark in the strip above the canvas.
    d = ImageDraw.Draw(img)
    mark = font(13 * SS)
    d.text((l * SS, 8 * SS), "KESTRAN", font=mark, fill=SLATE + (255,))
    mark_w = d.textlength("KESTRAN", font=mark)
    sub = font(11 * SS, bold=False)
    d.text((l * SS + mark_w + 8 * SS, 10 * SS), "英语单词练习", font=sub, fill=SLATE + (200,))
    # The keys of the drill, then where the rest is: the menu on the canvas
    # (right-click) and the word books (F7), which nothing else on screen names.
    hint = font(10 * SS, bold=False)
    text = "输入单词 · 回车确认 · 空格继续 · 右键菜单 · 词库 F7"
    tw = d.textlength(text, font=hint)
    d.text((r * SS - tw, 11 * SS), text, font=hint, fill=SLATE + (170,))

    return shrink(img, CLIENT).convert("RGB")


# --- Button faces --------------------------------------------------------------

def face_base(size, hover, round_shape):
    """The button body with its shadow, at supersampled size, leaving room to
    shift right and down by two pixels when pressed."""
    w, h = size
    big = (w * SS, h * SS)
    img = Image.new("RGBA", big, (0, 0, 0, 0))
    inset_l, inset_t, inset_r, inset_b = 1, 1, 3, 3
    box = (inset_l * SS, inset_t * SS, (w - inset_r) * SS, (h - inset_b) * SS)
    radius = ((box[3] - box[1]) // 2) if round_shape else 9 * SS

    shadow_box = (box[0] + SS, box[1] + 2 * SS, box[2] + SS, box[3] + 2 * SS)
    img = Image.alpha_composite(img, soft_shadow(big, shadow_box, radius, 1.5 * SS, 0.45))

    top, bottom = (HOVER_TOP, HOVER_BOTTOM) if hover else (BUTTON_TOP, BUTTON_BOTTOM)
    fill = vertical_gradient(big, top, bottom).convert("RGBA")
    mask = Image.new("L", big, 0)
    md = ImageDraw.Draw(mask)
    if round_shape:
        md.ellipse(box, fill=255)
    else:
        md.rounded_rectangle(box, radius=radius, fill=255)
    body = Image.new("RGBA", big, (0, 0, 0, 0))
    body.paste(fill, (0, 0), mask)
    img = Image.alpha_composite(img, body)

    # Gloss on the upper half.
    gloss = Image.new("L", big, 0)
    gd = ImageDraw.Draw(gloss)
    gbox = (box[0] + 2 * SS, box[1] + SS, box[2] - 2 * SS, box[1] + (box[3] - box[1]) * 0.5)
    if round_shape:
        gd.ellipse((box[0] + 4 * SS, box[1] + 2 * SS, box[2] - 4 * SS, box[1] + (box[3] - box[1]) * 0.55),
                   fill=70 if hover else 52)
    else:
        gd.rounded_rectangle(gbox, radius=max(1, radius - 2 * SS), fill=70 if hover else 52)
    gloss = ImageChops.multiply(gloss, mask)
    white = Image.new("RGBA", big, WHITE + (0,))
    white.putalpha(gloss)
    img = Image.alpha_composite(img, white)

    # Rim: a thin dark edge, and a warm glowing one when hovered.
    rim = ImageDraw.Draw(img)
    if hover:
        glow = Image.new("RGBA", big, (0, 0, 0, 0))
        gl = ImageDraw.Draw(glow)
        if round_shape:
            gl.ellipse(box, outline=ACCENT + (255,), width=2 * SS)
        else:
            gl.rounded_rectangle(box, radius=radius, outline=ACCENT + (255,), width=2 * SS)
        img = Image.alpha_composite(img, glow)
    else:
        if round_shape:
            rim.ellipse(box, outline=(22, 48, 92, 255), width=SS)
        else:
            rim.rounded_rectangle(box, radius=radius, outline=(22, 48, 92, 255), width=SS)
    return img, box


def centred_text(img, box, text, size, fill, dx=0):
    d = ImageDraw.Draw(img)
    f = font(size * SS)
    left, top, right, bottom = d.textbbox((0, 0), text, font=f)
    cx = (box[0] + box[2]) / 2 + dx * SS
    cy = (box[1] + box[3]) / 2
    x = cx - (right - left) / 2 - left
    y = cy - (bottom - top) / 2 - top
    d.text((x + SS * 0.8, y + SS), text, font=f, fill=(10, 24, 50, 120))
    d.text((x, y), text, font=f, fill=fill)


def draw_folder(d, cx, cy, s, colour):
    """A small open-folder glyph centred at (cx, cy), s = unit size."""
    d.rounded_rectangle((cx - 7 * s, cy - 5 * s, cx - 1 * s, cy - 2 * s), radius=s, fill=colour)
    d.rounded_rectangle((cx - 7 * s, cy - 3 * s, cx + 7 * s, cy + 6 * s), radius=1.5 * s, fill=colour)


def draw_shuffle(d, cx, cy, s, colour):
    """Two crossing arrows."""
    width = int(1.6 * s)
    d.line([(cx - 7 * s, cy - 4 * s), (cx - 2 * s, cy - 4 * s), (cx + 3 * s, cy + 4 * s), (cx + 6 * s, cy + 4 * s)],
           fill=colour, width=width, joint="curve")
    d.line([(cx - 7 * s, cy + 4 * s), (cx - 2 * s, cy + 4 * s), (cx + 3 * s, cy - 4 * s), (cx + 6 * s, cy - 4 * s)],
           fill=colour, width=width, joint="curve")
    for y in (-4, 4):
        d.polygon([(cx + 8.5 * s, cy + y * s), (cx + 5 * s, cy + (y - 2.6) * s), (cx + 5 * s, cy + (y + 2.6) * s)],
                  fill=colour)


def draw_pencil_check(d, cx, cy, s, colour):
    """A tick inside a rounded square: practise and test."""
    width = int(1.6 * s)
    d.rounded_rectangle((cx - 7 * s, cy - 7 * s, cx + 7 * s, cy + 7 * s), radius=2.5 * s, outline=colour, width=width)
    d.line([(cx - 4 * s, cy), (cx - 1 * s, cy + 3.5 * s), (cx + 4.5 * s, cy - 4 * s)], fill=colour, width=int(width + s),
           joint="curve")


def text_face(size, label, icon, hover, text_size):
    img, box = face_base(size, hover, round_shape=False)
    colour = (ACCENT if hover else WHITE) + (255,)
    d = ImageDraw.Draw(img)
    if icon:
        icon_cx = box[0] + 15 * SS
        icon_cy = (box[1] + box[3]) / 2
        icon(d, icon_cx, icon_cy, SS * 0.95, colour)
        text_box = (box[0] + 25 * SS, box[1], box[2] - 3 * SS, box[3])
    else:
        text_box = box
    centred_text(img, text_box, label, text_size, WHITE + (255,))
    return shrink(img, size)


def palette_face(size, hover):
    img, box = face_base(size, hover, round_shape=True)
    d = ImageDraw.Draw(img)
    cx = (box[0] + box[2]) / 2
    cy = (box[1] + box[3]) / 2
    r = 14 * SS
    # The two canvas schemes side by side: blue with yellow, black with blue.
    d.pieslice((cx - r, cy - r, cx + r, cy + r), 135, 315, fill=(0, 0, 255, 255))
    d.pieslice((cx - r, cy - r, cx + r, cy + r), -45, 135, fill=(16, 16, 20, 255))
    d.ellipse((cx - r, cy - r, cx + r, cy + r), outline=(255, 255, 255, 255), width=2 * SS)
    dot = 3.6 * SS
    d.ellipse((cx - 6.5 * SS - dot, cy - 6.5 * SS - dot, cx - 6.5 * SS + dot, cy - 6.5 * SS + dot),
              fill=(255, 255, 0, 255))
    d.ellipse((cx + 6.5 * SS - dot, cy + 6.5 * SS - dot, cx + 6.5 * SS + dot, cy + 6.5 * SS + dot),
              fill=(40, 90, 255, 255))
    if hover:
        d.ellipse((cx - r - 2 * SS, cy - r - 2 * SS, cx + r + 2 * SS, cy + r + 2 * SS), outline=ACCENT + (200,),
                  width=SS)
    return shrink(img, size)


def sound_face(size, hover):
    img, box = face_base(size, hover, round_shape=True)
    d = ImageDraw.Draw(img)
    cx = (box[0] + box[2]) / 2 - 3 * SS
    cy = (box[1] + box[3]) / 2
    colour = (ACCENT if hover else WHITE) + (255,)
    s = SS
    # Speaker body and cone.
    d.rectangle((cx - 9 * s, cy - 4 * s, cx - 4 * s, cy + 4 * s), fill=colour)
    d.polygon([(cx - 4 * s, cy - 4 * s), (cx + 2 * s, cy - 10 * s), (cx + 2 * s, cy + 10 * s), (cx - 4 * s, cy + 4 * s)],
              fill=colour)
    # Sound waves.
    for i, radius in enumerate((6, 11)):
        rr = radius * s
        d.arc((cx + 2 * s - rr, cy - rr, cx + 2 * s + rr, cy + rr), -48, 48, fill=colour, width=int(2.2 * s))
    # A small spark for the hit animation.
    sx, sy = cx + 14 * s, cy - 11 * s
    d.polygon([(sx, sy - 4 * s), (sx + 1.2 * s, sy - 1.2 * s), (sx + 4 * s, sy), (sx + 1.2 * s, sy + 1.2 * s),
               (sx, sy + 4 * s), (sx - 1.2 * s, sy + 1.2 * s), (sx - 4 * s, sy), (sx - 1.2 * s, sy - 1.2 * s)],
              fill=ACCENT + (255,))
    return shrink(img, size)


def button_images(bk):
    """name -> PIL image for the fifteen button files."""
    out = {}
    faces = {
        "b1": lambda hover: text_face((76, 38), "打开词表", None, hover, 14),
        "b2": lambda hover: text_face((105, 38), "顺序·随机", draw_shuffle, hover, 13),
        "b3": lambda hover: text_face((105, 38), "练习·测试", draw_pencil_check, hover, 13),
        "b4": lambda hover: palette_face((50, 50), hover),
        "b5": lambda hover: sound_face((50, 50), hover),
    }
    for name, (x, y, w, h) in BUTTONS.items():
        n = name[1]
        out[f"b{n}1.png"] = faces[name](False)
        out[f"b{n}2.png"] = faces[name](True)
        # The backdrop is the dialog background under the button, so the
        # button blends in wherever its face is transparent.
        out[f"bb{n}.jpg"] = bk.crop((x, y, x + w, y + h))
    return out


# --- Hit burst sprite ----------------------------------------------------------

def sparkle(d, cx, cy, r, rotation, fill):
    """A four-pointed star."""
    points = []
    for k in range(8):
        a = rotation + k * math.pi / 4
        rr = r if k % 2 == 0 else r * 0.3
        points.append((cx + rr * math.cos(a), cy + rr * math.sin(a)))
    d.polygon(points, fill=fill)


def burst_sheet():
    """Six 38 x 38 cells: a flash that opens into a ring of sparkles and fades."""
    cell = 38
    frames = 6
    sheet = Image.new("RGBA", (cell * frames * SS, cell * SS), (0, 0, 0, 0))
    for i in range(frames):
        t = i / (frames - 1)  # 0 .. 1
        layer = Image.new("RGBA", (cell * SS, cell * SS), (0, 0, 0, 0))
        d = ImageDraw.Draw(layer)
        c = cell * SS / 2
        fade = 1.0 if t < 0.45 else 1.0 - (t - 0.45) / 0.55 * 0.9
        # Flash at the centre, gone by the fourth cell.
        core = 10 * max(0.0, 1 - t * 1.6) * SS
        if core > 0:
            d.ellipse((c - core, c - core, c + core, c + core), fill=(255, 252, 225, int(255 * (1 - t))))
        # A large turning star that shrinks away.
        star = (15 - 11 * t) * SS
        sparkle(d, c, c, star, t * math.pi / 4, (255, 244, 170, int(250 * fade * (1 - 0.6 * t))))
        # The ring opening outwards.
        ring = (4 + 13 * t) * SS
        width = max(SS, int((4 - 2.8 * t) * SS))
        d.ellipse((c - ring, c - ring, c + ring, c + ring), outline=(255, 206, 64, int(235 * fade)), width=width)
        # Small sparkles riding just outside the ring.
        for k in range(8):
            a = k * math.pi / 4 + math.pi / 8
            dist = ring + (1.5 + 2 * t) * SS
            if dist > c - 3 * SS:
                dist = c - 3 * SS
            sparkle(d, c + dist * math.cos(a), c + dist * math.sin(a), (3.6 - 1.2 * t) * SS, 0,
                    (255, 255, 255, int(245 * fade)))
        glow = layer.filter(ImageFilter.GaussianBlur(1.5 * SS))
        layer = Image.alpha_composite(glow, layer)
        sheet.paste(layer, (i * cell * SS, 0))
    return shrink(sheet, (cell * frames, cell))


# --- Hit sound -----------------------------------------------------------------

def chime(path, rate=44100):
    """Two bell-like notes a fifth apart, about half a second, 16-bit mono."""
    notes = [(1046.5, 0.0), (1568.0, 0.085)]  # C6 then G6
    length = int(rate * 0.55)
    samples = [0.0] * length
    for freq, start in notes:
        offset = int(start * rate)
        for n in range(length - offset):
            t = n / rate
            attack = min(1.0, t / 0.004)
            env = attack * math.exp(-t * 7.5)
            tone = (math.sin(2 * math.pi * freq * t) + 0.35 * math.sin(2 * math.pi * freq * 2.01 * t) * math.exp(-t * 12)
                    + 0.12 * math.sin(2 * math.pi * freq * 3.02 * t) * math.exp(-t * 20))
            samples[offset + n] += 0.32 * env * tone
    tail = int(rate * 0.06)  # fade the last ring out so the end does not click
    for n in range(tail):
        samples[length - tail + n] *= 1.0 - n / tail
    peak = max(abs(s) for s in samples)
    scale = 0.7 / peak
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(b"".join(struct.pack("<h", int(round(s * scale * 32767))) for s in samples))


# --- Program icon --------------------------------------------------------------

def icon(size=128):
    big = size * SS
    img = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    img = Image.alpha_composite(img, soft_shadow((big, big), (6 * SS, 8 * SS, 122 * SS, 124 * SS), 26 * SS, 3 * SS,
                                                 0.4))
    mask = Image.new("L", (big, big), 0)
    ImageDraw.Draw(mask).rounded_rectangle((4 * SS, 4 * SS, 120 * SS, 120 * SS), radius=26 * SS, fill=255)
    body = vertical_gradient((big, big), (40, 92, 230), (10, 22, 150)).convert("RGBA")
    layer = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    layer.paste(body, (0, 0), mask)
    img = Image.alpha_composite(img, layer)
    d = ImageDraw.Draw(img)
    # Big "A" in the canvas's yellow and the character for "word" in white.
    fa = font(66 * SS)
    d.text((17 * SS, -2 * SS), "A", font=fa, fill=(255, 230, 60, 255))
    fc = font(44 * SS)
    d.text((64 * SS, 52 * SS), "词", font=fc, fill=(255, 255, 255, 255))
    # A thin moving-word underline.
    d.rounded_rectangle((18 * SS, 101 * SS, 60 * SS, 106 * SS), radius=2 * SS, fill=(255, 230, 60, 220))
    return shrink(img, (size, size))


# --- Preview -----------------------------------------------------------------------

def preview(bk, buttons, burst, icon_image, path):
    """The dialog as it will roughly look, the hover faces, the pressed
    shift, the burst on blue and on black, and the icon."""
    w, h = CLIENT
    sheet = Image.new("RGB", (w * 2 + 180, h * 2 + 170), (60, 60, 60))

    def compose(state):
        img = bk.copy().convert("RGBA")
        d = ImageDraw.Draw(img)
        l, t, r, b = CANVAS_RECT
        d.rectangle((l, t, r - 1, b - 1), fill=(0, 0, 255, 255))
        d.text((l + 150, t + 18), "apple", font=font(20), fill=(255, 255, 0, 255))
        d.text((l + 150, t + 42), "苹果", font=font(14), fill=(255, 255, 0, 255))
        d.rectangle(ANSWER_BOX_RECT, fill=(255, 255, 255, 255), outline=(120, 130, 140, 255))
        d.text((ANSWER_BOX_RECT[0] + 6, ANSWER_BOX_RECT[1] + 5), "appl", font=font(15), fill=(0, 0, 0, 255))
        d.rectangle(SLIDER_RECT, fill=(225, 228, 232, 255), outline=(150, 155, 160, 255))
        mid = (SLIDER_RECT[0] + SLIDER_RECT[2]) // 2
        d.rectangle((mid - 12, SLIDER_RECT[1] + 2, mid + 12, SLIDER_RECT[3] - 2), fill=(170, 176, 184, 255))
        for name, (x, y, bw, bh) in BUTTONS.items():
            n = name[1]
            img.paste(buttons[f"bb{n}.jpg"], (x, y))
            face = buttons[f"b{n}1.png" if state == 0 else f"b{n}2.png"]
            if state == 0:
                face = face.resize((face.width, buttons[f"b{n}2.png"].height))
            off = 2 if state == 2 and n != "1" else 0
            clip = face.crop((0, 0, bw - off, bh - off))
            img.alpha_composite(clip, (x + off, y + off))
        return img.convert("RGB")

    sheet.paste(compose(0), (10, 10))
    sheet.paste(compose(1), (w + 20, 10))
    sheet.paste(compose(2), (10, h + 20))
    for row, colour in enumerate([(0, 0, 255, 255), (0, 0, 0, 255)]):
        strip = Image.new("RGBA", (228, 38), colour)
        strip.alpha_composite(burst)
        sheet.paste(strip.resize((456, 76), Image.NEAREST).convert("RGB"), (w + 20, h + 20 + row * 86))
    ic = Image.new("RGBA", (128, 128), (60, 60, 60, 255))
    ic.alpha_composite(icon_image)
    sheet.paste(ic.convert("RGB"), (w + 20 + 466, h + 20))
    # Faces enlarged.
    x = 10
    for n in "12345":
        for k in "12":
            f = buttons[f"b{n}{k}.png"]
            bg = Image.new("RGBA", f.size, (235, 235, 235, 255))
            bg.alpha_composite(f)
            big = bg.resize((f.width * 2, f.height * 2), Image.NEAREST).convert("RGB")
            if x + big.width > sheet.width:
                break
            sheet.paste(big, (x, 2 * h + 40))
            x += big.width + 6
    sheet.save(path)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=os.path.join(ROOT, "RES"))
    parser.add_argument("--icon", default=os.path.join(ROOT, "packaging", "kestran.png"))
    parser.add_argument("--preview", default=None)
    args = parser.parse_args()

    os.makedirs(args.out, exist_ok=True)
    os.makedirs(os.path.dirname(args.icon), exist_ok=True)

    bk = background()
    bk.save(os.path.join(args.out, "bk.jpg"), quality=92, subsampling=0, optimize=True)
    # Backdrops are cut from the picture as it will be shown (after JPEG).
    shown = Image.open(os.path.join(args.out, "bk.jpg")).convert("RGB")
    buttons = button_images(shown)
    for name, image in buttons.items():
        target = os.path.join(args.out, name)
        if name.endswith(".jpg"):
            image.save(target, quality=95, subsampling=0, optimize=True)
        else:
            image.save(target, optimize=True)
    burst = burst_sheet()
    burst.save(os.path.join(args.out, "27.png"), optimize=True)
    chime(os.path.join(args.out, "41.wav"))
    icon_image = icon()
    icon_image.save(args.icon, optimize=True)
    if args.preview:
        preview(shown, buttons, burst, icon_image, args.preview)


if __name__ == "__main__":
    main()
