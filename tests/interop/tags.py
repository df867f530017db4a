# mutagen's side of the tag interop tests (run by /usr/bin/python3, which
# sees Debian's python3-mutagen):
#   make MODE PATH  writes a rich tag into PATH. MODE: "3" or "4" for the
#                   version; "u" unsynchronises it afterwards the way each
#                   version does (2.3 the whole body, 2.4 field by field with
#                   the field's flag), "p" gives the 2.4 fields plain
#                   big-endian sizes, as some writers do
#   show PATH       the fields as mutagen reads them (2.4 names), file order
#   dump PATH       every frame as stored (no translation), sorted, and the
#                   bytes of frames mutagen does not know
#   size PATH       the size of the ID3v2 tag
import sys
from mutagen.id3 import ID3, TIT2, TPE1, TALB, TPE2, TCON, COMM, TXXX, WXXX, APIC, PRIV, TIT3
from mutagen.id3._frames import Frame
from mutagen.id3._specs import BinaryDataSpec
from mutagen.id3._util import unsynch


class XKVR(Frame):
    _framespec = [BinaryDataSpec('data')]


def syncsafe(b):
    return (b[0] << 21) | (b[1] << 14) | (b[2] << 7) | b[3]


def syncsafe_bytes(n):
    return bytes([(n >> 21) & 127, (n >> 14) & 127, (n >> 7) & 127, n & 127])


def make(mode, path):
    v = int(mode[0])
    t = ID3()
    t.add(TIT2(encoding=1, text='Caf\u00e9 \u20ac \u0414'))
    t.add(TPE1(encoding=0, text='Artist'))
    t.add(TALB(encoding=3 if v == 4 else 1, text='\u00c5lbum'))
    if v == 4:
        t.add(TPE2(encoding=2, text='Band'))
    t.add(TCON(encoding=0, text=['Rock', 'Pop']))
    t.add(COMM(encoding=1, lang='deu', desc='d', text='Kommentar'))
    t.add(TXXX(encoding=0, desc='key', text='value'))
    t.add(WXXX(encoding=0, desc='site', url='http://example.org/'))
    t.add(APIC(encoding=0, mime='image/png', type=3, desc='cover', data=b'\x89PNG\xff\xe0\xff\x00data' * 30))
    t.add(PRIV(owner='kavrel', data=b'\xff\xfe'))
    t.add(TIT3(encoding=0, text='x' * 1100))
    t.add(XKVR(data=b'abc'))
    t.save(path, v2_version=v, padding=lambda info: 64)
    d = bytearray(open(path, 'rb').read())
    end = 10 + syncsafe(d[6:10])
    if 'p' in mode:
        p = 10
        while p + 10 <= end and d[p] != 0:
            n = syncsafe(d[p + 4:p + 8])
            d[p + 4:p + 8] = n.to_bytes(4, 'big')
            p += 10 + n
    if 'u' in mode:
        body = bytes(d[10:end])
        if v == 3:
            body = unsynch.encode(body)
        else:
            out, p = b'', 0
            while p + 10 <= len(body) and body[p] != 0:
                n = syncsafe(body[p + 4:p + 8])
                content = unsynch.encode(body[p + 10:p + 10 + n])
                out += body[p:p + 4] + syncsafe_bytes(len(content)) + bytes([body[p + 8], body[p + 9] | 2]) + content
                p += 10 + n
            body = out + body[p:]
        d = d[:5] + bytes([d[5] | 0x80]) + syncsafe_bytes(len(body)) + body + d[end:]
    open(path, 'wb').write(bytes(d))
    if 'u' in mode:
        t = ID3(path)
        assert t.f_unsynch and str(t['TIT2']) == 'Caf\u00e9 \u20ac \u0414', t['TIT2']
        assert t.getall('APIC')[0].data == b'\x89PNG\xff\xe0\xff\x00data' * 30


def show(path):
    t = ID3(path, load_v1=False)
    print('version 2.%d unsync %s' % (t.version[1], bool(t.f_unsynch)))
    d = open(path, 'rb').read()
    p, end = 10, 10 + syncsafe(d[6:10])
    while t.version[1] == 4 and p + 10 <= end and d[p] != 0:  # readers that look at each field's own flag
        if bool(d[p + 9] & 2) != bool(t.f_unsynch):
            print(d[p:p + 4].decode(), 'unsynchronisation flag differs from the tag\'s')
        p += 10 + syncsafe(d[p + 4:p + 8])
    for f in t.values():
        i = f.FrameID
        if t.version[1] < 4 and getattr(f, 'encoding', 0) > 1:
            print(i, 'has an encoding 2.%d does not know' % t.version[1])
        if i in ('COMM', 'USLT'):
            print(i, f.lang, repr(f.desc), repr(f.text if i == 'USLT' else '/'.join(f.text)))
        elif i == 'TCON':
            print(i, f.genres)
        elif i in ('TXXX', 'WXXX'):
            print(i, repr(f.desc), f.text if i == 'TXXX' else f.url)
        elif i == 'APIC':
            print(i, f.mime, int(f.type), repr(f.desc), f.data.hex())
        elif i == 'PRIV':
            print(i, f.owner, f.data.hex())
        else:
            print(i, repr('/'.join(str(x) for x in f.text)))


def dump(path):
    t = ID3()
    t.load(path, translate=False, load_v1=False)
    print('version', t.version[1], 'unsync', bool(t.f_unsynch))
    for line in sorted(repr(f) for f in t.values()):
        print(line)
    for raw in sorted(t.unknown_frames):
        print('unknown', raw.hex())


command, args = sys.argv[1], sys.argv[2:]
if command == 'make':
    make(*args)
elif command == 'size':
    print(ID3(args[0]).size)
else:
    {'show': show, 'dump': dump}[command](args[0])
