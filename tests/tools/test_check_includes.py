#!/usr/bin/env python3
"""The include check the build runs on every library's folder: which includes
cross the layering, what it says about them, and its stamp."""

import os
import subprocess
import sys
import tempfile
import unittest

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "check_includes.py")

# A source tree with the folders of the real one (and a decoy beside ui/core).
FOLDERS = ["platform", "platform/twain", "model", "raster", "app", "resources", "ui", "ui/core", "ui/corex",
           "widgets", "widgets/core", "tests/support", "main"]

CORE_MAY = {
    "model": ["platform", "resources"],
    "raster": ["model", "platform", "resources"],
    "widgets/core": ["resources", "platform"],
    "ui/core": ["widgets/core", "resources", "app", "raster", "model", "platform"],
    "ui": ["ui/core", "widgets", "widgets/core", "resources", "app", "raster", "model", "platform"],
    "platform/twain": ["platform", "resources"],
}

# folder checked, include line, toolkit allowed, the words of the error (None: passes).
CASES = [
    # The interface the grid model implements is where both its users may see it.
    ("widgets/core", '#include "app/reportgrid.h"', False, '#include "app/reportgrid.h" crosses the layering'),
    ("widgets/core", '#include "platform/reportgrid.h"', False, None),
    ("widgets/core", '#include "widgets/gridctrl.h"', False, "widgets/core/ may include only widgets/core/, "
     "resources/, platform/"),
    # Down the layers, subfolders included; never up or beside.
    ("raster", '#include "platform/twain/twaindefs.h"', False, None),
    ("model", '#include "resources/messages_model.h"', False, None),
    ("model", '#include "app/qzndoc.h"', False, "crosses the layering"),
    ("ui/core", '#include "ui/mainframe.h"', False, "crosses the layering"),
    ("ui/core", '#include "ui/corex/decoy.h"', False, "crosses the layering"),
    ("ui", '#include "ui/core/viewtool.h"', True, None),
    ("ui", '#include "widgets/core/gridmodel.h"', True, None),
    ("platform/twain", '#include "raster/twain.h"', False, "crosses the layering"),
    ("model", '#include "main/main.cpp"', False, "crosses the layering"),
    ("model", '#include "tests/support/testutil.h"', False, "crosses the layering"),
    # However it is spelled.
    ("model", '#  include   <app/qzndoc.h>', False, "#include <app/qzndoc.h> crosses the layering"),
    ("model", '#include "../app/qzndoc.h"', False, '#include "../app/qzndoc.h" crosses the layering'),
    ("ui", '#include "core/viewtool.h"', True, None),
    ("model", '#include "chain.h"', False, None),
    # System and third-party headers are not the tree's.
    ("model", "#include <vector>", False, None),
    ("raster", "#include <geotiff/xtiffio.h>", False, None),
    # The toolkit only where the library links it.
    ("model", "#include <wx/string.h>", False, "is a toolkit header: model/ links no toolkit"),
    ("ui/core", "#include <GL/gl.h>", False, "is a toolkit header"),
    ("widgets/core", "#include <X11/Xlib.h>", False, "is a toolkit header"),
    ("ui", "#include <wx/string.h>", True, None),
    # A commented-out include is no include.
    ("model", '// #include "app/qzndoc.h"', False, None),
]


def make_tree(root):
    for folder in FOLDERS:
        os.makedirs(os.path.join(root, folder), exist_ok=True)


def run(root, folder, line, toolkit, stamp=None):
    path = os.path.join(root, folder, "checked.h")
    with open(path, "w", encoding="utf-8") as f:
        f.write("// A file of the folder.\n#pragma once\n\n" + line + "\n")
    args = [sys.executable, SCRIPT, "--root", root, "--folder", folder, "--may", *CORE_MAY[folder]]
    if toolkit:
        args.append("--toolkit")
    if stamp:
        args += ["--stamp", stamp]
    args += ["--", path]
    return subprocess.run(args, capture_output=True, text=True)


class CheckIncludes(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.root = self.tmp.name
        make_tree(self.root)

    def tearDown(self):
        self.tmp.cleanup()

    def test_cases(self):
        for folder, line, toolkit, error in CASES:
            with self.subTest(folder=folder, line=line):
                done = run(self.root, folder, line, toolkit)
                if error is None:
                    self.assertEqual(done.returncode, 0, done.stderr)
                    self.assertEqual(done.stderr, "")
                else:
                    self.assertEqual(done.returncode, 1)
                    # The file and line come first, as a compiler's errors do,
                    # and the rule it broke is named.
                    self.assertTrue(done.stderr.startswith(f"{folder}/checked.h:4: error: "), done.stderr)
                    self.assertIn(error, done.stderr)
                    self.assertIn("docs/layout.md", done.stderr)

    def test_stamp_only_while_every_file_passes(self):
        stamp = os.path.join(self.root, "model.stamp")
        self.assertEqual(run(self.root, "model", '#include "platform/host.h"', False, stamp).returncode, 0)
        self.assertTrue(os.path.exists(stamp))
        self.assertEqual(run(self.root, "model", '#include "app/qzndoc.h"', False, stamp).returncode, 1)
        self.assertFalse(os.path.exists(stamp))

    def test_every_error_of_a_file_is_listed(self):
        done = run(self.root, "model", '#include "app/qzndoc.h"\n#include "ui/mainframe.h"', False)
        self.assertEqual(done.returncode, 1)
        self.assertEqual(done.stderr.count(": error: "), 2, done.stderr)
        self.assertIn("model/checked.h:5: error: ", done.stderr)


if __name__ == "__main__":
    unittest.main()
