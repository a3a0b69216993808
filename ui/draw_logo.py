# Draws the banner logo (logoKX.bmp beside this script): a hue wheel followed by a spectrum
# band, on the banner's blue. 24-bit BMP, written without any imaging library.
import colorsys, math, os, struct
W, H = 120, 20
BG = (0x00, 0x80, 0xFF)
def blend(a, b, t):
    return tuple(round(x * (1 - t) + y * t) for x, y in zip(a, b))
px = [[BG] * W for _ in range(H)]
cx, cy, R, r0 = 9.5, 9.5, 9.2, 3.2
for y in range(H):
    for x in range(W):
        # 4x4 supersampling for smooth edges
        acc = [0.0, 0.0, 0.0]
        for sy in range(4):
            for sx in range(4):
                fx, fy = x + (sx + 0.5) / 4, y + (sy + 0.5) / 4
                c = BG
                d = math.hypot(fx - cx, fy - cy)
                if d <= R:
                    if d <= r0:
                        c = (255, 255, 255)
                    else:
                        h = (math.atan2(fy - cy, fx - cx) / (2 * math.pi)) % 1.0
                        c = tuple(round(v * 255) for v in colorsys.hsv_to_rgb(h, 1.0, 1.0))
                elif 24 <= fx <= 118 and 7 <= fy <= 13:
                    # the band fans out the wheel's colours from red to violet
                    h = (fx - 24) / (118 - 24) * 0.8
                    c = tuple(round(v * 255) for v in colorsys.hsv_to_rgb(h, 1.0, 1.0))
                elif 24 <= fx <= 118 and 6 <= fy <= 14:
                    c = (255, 255, 255)
                for i in range(3):
                    acc[i] += c[i] / 16
        px[y][x] = tuple(round(v) for v in acc)
row = W * 3
pad = (4 - row % 4) % 4
data = b''.join(bytes(v for p in px[y] for v in (p[2], p[1], p[0])) + b'\0' * pad for y in reversed(range(H)))
hdr = struct.pack('<2sIHHI', b'BM', 54 + len(data), 0, 0, 54)
info = struct.pack('<IiiHHIIiiII', 40, W, H, 1, 24, 0, len(data), 2835, 2835, 0, 0)
open(os.path.join(os.path.dirname(os.path.abspath(__file__)), 'logoKX.bmp'), 'wb').write(hdr + info + data)
