#!/usr/bin/env python3
"""The committed icon holds the nine sizes as 32-bit images and is what icon.svg renders to."""
import struct
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
ICON = ROOT / "resources" / "tarquel.ico"


def entries(data):
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    assert (reserved, kind) == (0, 1), "not an icon file"
    for i in range(count):
        w, h, _, _, planes, bpp, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        yield (w or 256, h or 256, bpp, data[offset:offset + size])


class IconFile(unittest.TestCase):
    def test_has_the_nine_square_sizes_at_32_bits(self):
        found = list(entries(ICON.read_bytes()))
        self.assertEqual([(w, h) for w, h, _, _ in found],
                         [(s, s) for s in (16, 24, 32, 48, 64, 72, 96, 128, 256)])
        self.assertTrue(all(bpp == 32 for _, _, bpp, _ in found))

    def test_images_carry_alpha(self):
        for w, _, _, blob in entries(ICON.read_bytes()):
            if blob.startswith(b"\x89PNG"):
                colour_type = blob[25]
                self.assertEqual(colour_type, 6, "256 px PNG must be RGBA")
                continue
            header_size, _, height, _, bits = struct.unpack_from("<IiiHH", blob, 0)
            self.assertEqual((header_size, height, bits), (40, 2 * w, 32))
            pixels = blob[40:40 + w * w * 4]
            alphas = set(pixels[3::4])
            # Transparent corners and opaque middle: a real alpha channel, not a flat one.
            self.assertIn(0, alphas)
            self.assertIn(255, alphas)

    def test_regenerating_from_the_vector_source_gives_the_committed_file(self):
        with tempfile.TemporaryDirectory() as tmp:
            out = Path(tmp) / "icon.ico"
            subprocess.run([sys.executable, str(ROOT / "scripts" / "make-icon.py"), str(out)],
                           check=True, capture_output=True)
            self.assertEqual(out.read_bytes(), ICON.read_bytes(),
                             "run scripts/make-icon.py after changing resources/icon.svg")


if __name__ == "__main__":
    unittest.main()
