#!/usr/bin/env python3
# Writes the hand-made seed inputs of the fuzz targets into corpus/. The
# inputs are byte programs: the window-model target reads an action byte and
# its operands (see WindowModelFuzz.cpp), the decoder target reads code units
# (a byte is a unit; 0xFF and two bytes spell a wider one). Run it from fuzz/
# after changing either format; regression cases found by fuzzing sit beside
# these files and are left alone.
import os
def w(d, name, data):
    os.makedirs(d, exist_ok=True)
    open(os.path.join(d, name), 'wb').write(data)
D='corpus/decoder'
for name, data in {
  'empty': b'', 'rfc-f': b'Zg==', 'rfc-fo': b'Zm8=', 'rfc-foo': b'Zm9v', 'rfc-foobar': b'Zm9vYmFy',
  'extra-padding': b'Zm8=========', 'only-padding': b'====', 'one-and-padding': b'A===',
  'qq': b'QQ==', 'length-5': b'Zm9vY', 'eq-inside': b'AB=C', 'line-break': b'Zm9v\r\nYmFy',
  'high-byte': b'Zm\xe99v', 'wide-unit': b'Zm\xff\x4e\x009v', 'euro': b'Zm\xff\x20\xac9v',
  'all-bytes': bytes(range(256)),
  'mail-safe': b'Vantrel1~VW91eeWN6Lo=~~end', 'mail-safe-quoted': b'Hi,\r\n> Vantrel1~VW91e\r\n> eWN6Lo=~~end\r\n',
  'mail-safe-changed': b'Vantrel1~VW91eeWN6Lp=~~end', 'mail-safe-newer': b'Vantrel2~VW91eeWN6Lo=~~end',
  # Saved mail: several blocks, quoted-printable, HTML, a base64 part, UTF-16, a link, a cut block.
  'mail-several': b'Vantrel1~VW91eeWN6Lo=~~end\n> Vantrel1~VW91eeWN6Lp=~~end\nVantrel1~garbage~~end',
  'mail-qp': b'Content-Transfer-Encoding: quoted-printable\r\n\r\nVantrel1~VW91e=\r\neWN6Lo=3D~~end\r\n',
  'mail-html': b'<div>Vantrel1&#126;VW91e<wbr>eWN6Lo=&nbsp;<br>~~end</div><blockquote>Vantrel2~x~~end</blockquote>',
  'mail-base64': b'Content-Transfer-Encoding: base64\r\n\r\nSGksDQpWYW50cmVsMX5WVzkxZWVXTjZMbz1+fmVuZA0K\r\n',
  'mail-utf16': 'Vantrel1~VW91eeWN6Lo=~~end'.encode('utf-16'),
  'mail-link': b'https://x.org/#Vantrel1%7EVW91eeWN6Lo=%7E%7Eend', 'mail-cut': b'Vantrel1VW91eeWN6Lo=',
}.items():
    w(D, name, data)
# The any-text form of "I’m café 😀", as a plain text and as the Base64
# of one: the marker, then direct characters and runs of other characters as
# shift out, the Base64 of their UTF-16BE units without padding, shift in.
import base64
def run(s): return b'\x0e' + base64.b64encode(s.encode('utf-16-be')).rstrip(b'=') + b'\x0f'
form = b'\x1f\x1eThis text needs a newer Vantrel.\r\n' + b'I' + run('’') + b'm caf' + run('é') + b' ' + run('😀')
w(D, 'any-text-form', form)
w(D, 'any-text-code', base64.b64encode(form))
K='corpus/window_model'
def key(c): return bytes([0, c])
def keys(s): return bytes([1, len(s)-1]) + bytes(s, 'latin-1')
def paste(field, text, append=False, units=None):
    b = text.encode('latin-1') if isinstance(text, str) else text
    return bytes([2, field, 1 if append else 0, units if units is not None else len(b)]) + b
def grow(field, times): return bytes([3, field, times-2])  # 2..9 times, up to 1024 units
# A field repeated up to one of the lengths around the limits (WindowModelFuzz.cpp):
# 0..2 the longest text Encode takes -1, +0, +1; 3..7 the longest code Decode takes -2..+2.
def to_limit(field, which): return bytes([3, field, 0xB7, which])
ENC, DEC, COPY = b'\x04', b'\x05', b'\x06'
def edit(field, how, at, unit): return bytes([7, field, how, at & 255, at >> 8, unit])
seeds = {
  'encode-decode': keys('ab\bc') + paste(0, 'Hi') + ENC + COPY + DEC,
  'empty-fields': ENC + DEC + COPY + key(ord('x')) + ENC + DEC,
  'lines': keys('secret') + paste(0, 'Line one\r\nLine two.\r\n') + ENC + DEC + DEC,
  'refused-tab': keys('pw') + paste(0, 'a\tb') + ENC + paste(0, 'a~b') + ENC,
  'refused-high': keys('pw') + paste(0, 'caf\xe9') + ENC,
  'wide-paste': keys('pw') + paste(1, b'\xff\x4e\x00\xff\x20\xac\xff\xd8\x00', units=3) + DEC,
  'wrong-key': keys('pw') + paste(0, 'Hello, World!') + ENC + key(1) + DEC + key(99) + DEC,
  'corrupt-code': keys('pw') + paste(0, 'Hello') + ENC + edit(1, 1, 2, ord('=')) + DEC
                  + edit(1, 2, 0, 0) + DEC + edit(1, 0, 3, 0x80) + DEC,
  'text-before-decode': keys('pw') + paste(0, 'abc') + ENC + paste(0, 'left over') + DEC,
  'too-long': keys('pw') + paste(0, 'x' * 200) + to_limit(0, 2) + ENC,
  'too-long-code': keys('pw') + paste(1, 'ABCD' * 50) + to_limit(1, 6) + DEC + to_limit(1, 7) + DEC,
  'grow': keys('pw') + paste(0, 'ab') + grow(0, 9) + grow(0, 9) + grow(0, 9) + grow(0, 9) + ENC + DEC,
  'many-keys': bytes([1, 15]) + b'\xff' * 16 + (bytes([1, 15]) + b'\xff' * 16) * 9 + paste(0, 'k') + ENC + DEC,
  'paste-password': paste(2, 'pasted') + paste(0, 'no keys') + ENC + DEC,
  # The mail-safe block of "Hello, World!" with the key of "pw", pasted into a mail and decoded.
  'mail-safe': keys('pw') + paste(1, 'Hi,\r\n> Vantrel1~eSNgd2UjG2tvUngMZ3EOb3BkT1z9vh7e~~end\r\nBye') + DEC
               + paste(0, 'Hello again') + ENC + COPY + DEC
               + paste(1, 'Vantrel1~eSNgd2UjG2tvUngMZ3EOb3BkT1z9vh7f~~end') + DEC + COPY,
}
for name, data in seeds.items():
    w(K, name, data)
fill = paste(0, 'y' * 200) + to_limit(0, 1)
w(K, 'longest', keys('pw') + fill + ENC + DEC)
w(K, 'one-too-long', keys('pw') + fill + edit(0, 0, 0, ord('y')) + ENC)
