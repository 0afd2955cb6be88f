#!/usr/bin/env python3
"""Checks the includes of one folder against the layering of docs/layout.md.

The build runs this over every file of a library's folder (cmake/QznModule.cmake)
and stops on an include that reaches a folder the library is not built from:

    check_includes.py --root SRC --folder widgets/core --may platform resources
                      --stamp OUT.stamp FILE...

A file may include files of its own folder, of the folders given with --may
and of their subfolders (platform/ holds platform/twain/). An include of
another folder of the source tree, of a folder above or beside it, is an
error that names the file, the line, the include and what the folder may
include. Without --toolkit the folder includes no toolkit, OpenGL or X11
header either. The stamp is written only when every file passed, so the
build runs the check again until the include is mended.
"""

import argparse
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]')

# The first folder of a toolkit, OpenGL or window-system header. Only the
# window's libraries, which link qzn_wx, include these.
TOOLKIT_FOLDERS = ("wx", "GL", "X11", "gtk", "gdk")

LAYOUT_HINT = 'docs/layout.md, "What may include what"'


def under(path_folder, folder):
    """True when path_folder is folder or one of its subfolders."""
    return path_folder == folder or path_folder.startswith(folder + "/")


def project_folders(root):
    return {e.name for e in os.scandir(root) if e.is_dir() and not e.name.startswith(".")}


def resolve(root, top_folders, including_file, bracket, name):
    """The include as a path from the source root, or None when it names no
    file of the source tree (a system or third-party header)."""
    name = name.replace("\\", "/")
    if bracket == '"' and ("/" not in name or name.startswith(".")):
        # A bare name or a relative path is looked up beside the including file.
        candidate = os.path.normpath(os.path.join(os.path.dirname(including_file), name))
        rel = os.path.relpath(candidate, root).replace(os.sep, "/")
        return None if rel.startswith("../") else rel
    first = name.split("/", 1)[0]
    if "/" in name and first in top_folders:
        return os.path.normpath(name).replace(os.sep, "/")
    return None


def check_file(root, top_folders, folder, may, toolkit, path):
    errors = []
    shown = os.path.relpath(path, root).replace(os.sep, "/")
    allowed = [folder] + may
    with open(path, encoding="utf-8", errors="replace") as f:
        for number, line in enumerate(f, 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            bracket, name = m.group(1), m.group(2)
            closing = '"' if bracket == '"' else ">"
            spelled = f"#include {bracket}{name}{closing}"
            if not toolkit and name.split("/", 1)[0] in TOOLKIT_FOLDERS:
                errors.append(
                    f"{shown}:{number}: error: {spelled} is a toolkit header: {folder}/ links no toolkit "
                    f"(qzn_wx), so it includes no toolkit, OpenGL or X11 header ({LAYOUT_HINT})")
                continue
            target = resolve(root, top_folders, path, bracket, name)
            if target is None:
                continue
            target_folder = os.path.dirname(target)
            if any(under(target_folder, a) for a in allowed):
                continue
            listed = ", ".join(a + "/" for a in allowed)
            errors.append(f"{shown}:{number}: error: {spelled} crosses the layering: {folder}/ may include "
                          f"only {listed} ({LAYOUT_HINT})")
    return errors


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", required=True, help="the source tree")
    parser.add_argument("--folder", required=True, help="the folder checked, from the root")
    parser.add_argument("--may", nargs="*", default=[], help="folders it may include besides its own")
    parser.add_argument("--toolkit", action="store_true", help="the folder may include toolkit headers")
    parser.add_argument("--stamp", help="written when every file passed")
    parser.add_argument("files", nargs="*")
    args = parser.parse_args(argv)

    root = os.path.abspath(args.root)
    top_folders = project_folders(root)
    folder = args.folder.strip("/")
    may = [m.strip("/") for m in args.may if m.strip("/")]
    errors = []
    for path in args.files:
        errors += check_file(root, top_folders, folder, may, args.toolkit, os.path.abspath(path))
    if args.stamp:
        if errors:
            if os.path.exists(args.stamp):
                os.remove(args.stamp)
        else:
            with open(args.stamp, "w", encoding="utf-8") as f:
                f.write(f"{len(args.files)} files of {folder}/ include only {folder}/ "
                        f"{' '.join(m + '/' for m in may)}\n")
    for e in errors:
        print(e, file=sys.stderr)
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
