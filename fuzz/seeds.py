#!/usr/bin/env python3
"""Writes the seed corpora of fuzz/corpus/ from the shipped files: the maps and client.cfg as they
are, frames of every message the game sends, and small images cut from the generated art (TGA in
each depth and encoding the image library reads, and the generated PNG icon). Run it again after
the art or the formats change: python3 fuzz/seeds.py. The few inputs too big to fuzz from go to
fuzz/regression/, which only the tests replay."""
import os, struct, zlib

here = os.path.dirname(os.path.abspath(__file__))
res = os.path.join(here, '..', 'resources')
out = os.path.join(here, 'corpus')


def put(target, name, data, folder=out):
    os.makedirs(os.path.join(folder, target), exist_ok=True)
    with open(os.path.join(folder, target, name), 'wb') as f:
        f.write(data)


# Inputs of tens of kilobytes the tests replay but fuzzing does not start from: libFuzzer sizes its
# mutations by the largest input, and these would slow every execution thirtyfold.
big = os.path.join(here, 'regression')


def frame(text):
    body = text.encode() + b'\0'
    return struct.pack('>I', len(body)) + body


# The tokenizer: first byte = delimiter length - 1 (low two bits), then delimiter, then text.
put('tokenizer', 'bars', b'\x00|3|Ann|4.5|7|2|1|0|1|main.map')
put('tokenizer', 'config', b'\x00=name=Bob=x')
put('tokenizer', 'row', b'\x00 2  0 -1 7 12abc')
put('tokenizer', 'double', b'\x01==a==b=c')
put('tokenizer', 'floats', b'\xfc|1.5|-2|3e2||x| 42')
put('tokenizer', 'empties', b'\x00|a||b|')
put('tokenizer', 'nothing', b'\x00|')
# Numbers no int holds are clamped, not wrapped.
put('tokenizer', 'saturate', b'\x00|-7|99999999999|-99999999999|2147483648|-2147483649')

put('config', 'client.cfg', open(os.path.join(res, 'client.cfg'), 'rb').read())
put('config', 'crlf', b'name=Bob\r\ncharacter=1\r\nport=5000x\r\nserver=a=b\r\n')
put('config', 'refused', b'port=7457\nname=Default\nname=Ann\n')
# Keys are exact and lower case, values run to the next "=", the last of a key counts, a number
# reads as far as it goes.
put('config', 'spacing', b'name = Bob\nNAME=Ann\n# name=Eve\nserver= host\n')
put('config', 'values', b'server=a=b\ncharacter=3x\nport=5\nport=\nname=abcdefghi\nname=\nport=42')

for m in ('main.map', 'house.map', 'forest.map'):
    put('map', m, open(os.path.join(res, m), 'rb').read())

messages = ['1|Ann|hello|main.map', '1|Ann', '2|Bob', '3|Ann|4.5|7|2|1|0|1|main.map',
            '3|Bob|1234.57|1e-05|0|0|1|0|house.map', '4|Ann|house.map', 'x|y', '3|Me|1|1|1|1|1|1|main.map']
stream = b''.join(frame(m) for m in messages)
# Inbound: own nick, "\\" ends it, the byte stream; chunk sizes and turn sizes come from the end.
put('inbound', 'messages', b'Me\\ ' + stream + bytes([3, 40, 2, 200, 1, 255]))
put('inbound', 'split', b'Me\\ ' + stream + bytes([1] * 40))


def script(nick, texts, chunk=255):
    """An inbound input: own nick, the frames of texts, then receives of chunk bytes, one frame a turn."""
    body = b''.join(frame(t) for t in texts)
    return nick.encode() + b'\\ ' + body + bytes([0, chunk]) * (len(body) // chunk + 2)


# Who is in the roster and which lines show: removals, the own name, other types, case.
put('inbound', 'roster', script('Bob', [
    '3|Ann', '3|Cid', '3|Dee', '2|Cid', '2|Nobody', '3|Bob', '2|Bob', '4|Bob|house.map', 'x|Ann', '0|Ann',
    '5|Ann', '7|Ann|1|1|0|0|0|0|m', '', '1|Ann|hello|world', '1|Ann', '1|Bob|hi|main.map', '3|ann', '2|ANN',
    '3|An', '3|Ann|nan|1e39|2|1|0|1|main.map']))
# A full roster: known players still move, a removal makes room for exactly one newcomer.
MAX_REMOTE_PLAYERS = 1024
put('inbound', 'full-roster', script('Me', ['3|P%d' % i for i in range(MAX_REMOTE_PLAYERS + 500)] + [
    '3|P7|9', '2|P3', '3|P%d' % (MAX_REMOTE_PLAYERS + 1), '3|P%d' % (MAX_REMOTE_PLAYERS + 2)]), big)
# The largest frame never waits for a read: receives of 101 bytes leave 65537 of its 65540 waiting.
# An impossible length ends the stream after what came before.
MAX_FRAME_BODY = 65536
put('inbound', 'largest', script('Me', ['3|A|1|1', 'x' * (MAX_FRAME_BODY - 1), '2|A'], chunk=101), big)
put('inbound', 'impossible', b'Me\\ ' + frame('1|Ann|hi') + bytes(4) + frame('1|Ann|hi') + bytes([0, 100]) * 4)

# The relay and the server read their scripts with the same provider; any bytes make a script.
put('relay', 'script1', bytes(range(0, 256, 3)) * 2)
put('relay', 'script2', b'Ann\\ 10.0.0.1\\ ' + b'3|x|1.5|2|1|1|0|0|house.map\\ ' + bytes([1, 3, 0, 3, 1, 6, 3, 0]) * 8)
put('server', 'logins', b''.join(frame(m) for m in ['Ann'] + messages) + bytes([2, 0, 1, 3, 5, 0, 2, 3]) * 6)
put('server', 'garbage', bytes(range(256)))


def tga(width, height, bpp, pixels, kind=2, rle=False, alpha_bits=8, cmap=b''):
    """A TGA file (origin top left) of raw pixel bytes, optionally run-length encoded."""
    data = pixels
    if rle:
        px = bpp // 8
        enc = bytearray()
        for y in range(height):
            row = pixels[y * width * px:(y + 1) * width * px]
            x = 0
            while x < width:
                n = 1
                while x + n < width and n < 128 and row[(x + n) * px:(x + n + 1) * px] == row[x * px:(x + 1) * px]:
                    n += 1
                if n > 1:
                    enc += bytes([0x80 | (n - 1)]) + row[x * px:(x + 1) * px]
                else:
                    enc += bytes([0]) + row[x * px:(x + 1) * px]
                x += n
        data = bytes(enc)
        kind += 8
    cmap_len = len(cmap) // 3
    head = struct.pack('<BBBHHBHHHHBB', 0, 1 if cmap else 0, kind, 0, cmap_len, 24 if cmap else 0, 0, 0,
                       width, height, bpp, 0x20 | (alpha_bits if bpp == 32 else 0))
    return head + cmap + data


def crop_tga(path, x0, y0, w, h):
    """w by h pixels from (x0, y0) of a generated 32-bit TGA, as 32-bit BGRA bytes, top row first."""
    d = open(path, 'rb').read()
    width, height = struct.unpack('<HH', d[12:16])
    top_first = d[17] & 0x20
    px = d[18 + d[0]:]
    rows = []
    for y in range(y0, y0 + h):
        src = y if top_first else height - 1 - y
        rows.append(px[(src * width + x0) * 4:(src * width + x0 + w) * 4])
    return b''.join(rows)


tiles = crop_tga(os.path.join(res, 'tiles.tga'), 0, 0, 32, 32)
hero = crop_tga(os.path.join(res, 'Hero 1.tga'), 0, 0, 72, 128)
bgr = b''.join(tiles[i:i + 3] for i in range(0, len(tiles), 4))
grey = bytes(tiles[i + 1] for i in range(0, len(tiles), 4))
# First byte: bits 0-1 the file ending (.tga .png .TGA none), bit 2 read as a sprite sheet.
put('image', 'tiles32.tga', b'\x00' + tga(32, 32, 32, tiles))
put('image', 'tiles24-rle.tga', b'\x00' + tga(32, 32, 24, bgr, rle=True))
put('image', 'tiles16.tga', b'\x00' + tga(16, 16, 16, bytes(512)))
put('image', 'grey8.tga', b'\x00' + tga(32, 32, 8, grey, kind=3))
put('image', 'mapped8.tga', b'\x00' + tga(32, 32, 8, grey, kind=1, cmap=bytes(range(256)) * 3))
put('image', 'hero-rle.tga', b'\x04' + tga(72, 128, 32, hero, rle=True))
put('image', 'icon.png', b'\x01' + open(os.path.join(res, 'icons', 'tavrel-16.png'), 'rb').read())
put('image', 'icon-sheet.png', b'\x05' + open(os.path.join(res, 'icons', 'tavrel-22.png'), 'rb').read())
