#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""THIRD-PARTY-NOTICES.txt of a release, made from what the release really
links and ships:

  third_party_notices.py write OUT.txt --release NAME --deps DEPS_DIR --stage DIR
                         --link PROGRAM=LINK.TXT [--link ...]
  third_party_notices.py check NOTICES.txt --stage DIR --link PROGRAM=LINK.TXT [--link ...]

LINK.TXT is CMake's link command of a program (CMakeFiles/<target>.dir/link.txt):
every static library it names by path is a library the program holds, and
every font it preloads (emscripten's --preload-file) a font the release
ships; so is every font file (.ttf, .otf, .ttc, or one of those gzipped) in the release folder DIR.

write: each library is traced to the Debian source package scripts/deps-common.sh
built it from (DEPS_DIR/build/<name>-src/debian/copyright, its version from
the stamp in DEPS_DIR/prefix/share/pelzo-deps/<name>), each font to the Debian
package that installed it (its /usr/share/doc/<package>/copyright), and the
compiler's own runtime (MinGW-w64's C and C++ runtime and threads, or
emscripten's libc, libc++ and JavaScript glue) to its package. A section per
component names the release's files it covers and holds its copyright
file's paragraphs; each licence's text then follows once, with the
components that use it, and the full texts of the licences the copyright
files only refer to (/usr/share/common-licenses). A library or font that
cannot be traced stops it.

check: every library and font of the release must be named by a section's
"In this release:" line; exits 1 naming each that is not.
"""
import argparse
import glob
import gzip
import os
import re
import shlex
import subprocess
import sys
import tempfile

FONT_SUFFIXES = (".ttf", ".otf", ".ttc")
# A font may ship compressed (the page's parts of a font, cut from an
# installed one): it is still a font of the release.
SHIPPED_FONT_SUFFIXES = FONT_SUFFIXES + tuple(s + ".gz" for s in FONT_SUFFIXES)
RULE = "=" * 78
TOP = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
# Libraries installed outside their project's install rules (so absent from
# its install_manifest.txt): scripts/deps-common.sh copies libz.a itself and
# builds libintl with make.
LIBRARY_OWNERS = {"libz.a": "zlib", "libintl.a": "libintl"}
# What FreeType's licence asks a program's documentation to say.
CREDITS = {
    "freetype": "Portions of this software are copyright (C) The FreeType Project "
                "(www.freetype.org). All rights reserved.",
}


def link_words(link_txt):
    """The words of a link command, with its response files (@FILE, relative
    to the build folder the command runs in) read in."""
    build = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(link_txt))))
    with open(link_txt, encoding="utf-8") as f:
        # The link itself is the last command (MinGW's first pack the objects).
        words = shlex.split([line for line in f.read().splitlines() if line.strip()][-1])
    out = []
    for word in words:
        rsp = os.path.join(build, word[1:]) if word.startswith("@") else None
        if rsp and os.path.isfile(rsp):
            with open(rsp, encoding="utf-8") as f:
                out += shlex.split(f.read())
        else:
            out.append(word)
    return out


def own_library(path, build):
    """True for a library this build made (beside the build folder's
    CMakeFiles, not in its deps/)."""
    real = os.path.realpath(path)
    if not real.startswith(build + os.sep):
        return False
    return "deps" not in os.path.relpath(real, build).split(os.sep)


def release_files(links, stage):
    """{file name: (kind, where)}: the static libraries each program links and
    the fonts the release ships, each with the path it came from."""
    found = {}
    for program, link_txt in links:
        words = link_words(link_txt)
        build = os.path.realpath(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(link_txt)))))
        for i, word in enumerate(words):
            path = os.path.join(build, word)
            if word.endswith(".a") and os.path.exists(path) and not own_library(path, build):
                word = path
                name = os.path.basename(word)
                kind, where, programs = found.get(name, ("library", word, []))
                found[name] = (kind, where, sorted(set(programs + [program])))
            elif word == "--preload-file" and i + 1 < len(words):
                source = words[i + 1].split("@")[0]
                if source.lower().endswith(FONT_SUFFIXES):
                    found[os.path.basename(words[i + 1].split("@")[-1])] = ("font", source, [program])
    for path in sorted(glob.glob(os.path.join(stage, "**", "*"), recursive=True)):
        if path.lower().endswith(SHIPPED_FONT_SUFFIXES) and os.path.isfile(path):
            found[os.path.relpath(path, stage)] = ("font", path, [])
    return found


def dpkg_package(path):
    out = subprocess.run(["dpkg-query", "-S", os.path.realpath(path)], capture_output=True, text=True)
    if out.returncode != 0:
        out = subprocess.run(["dpkg-query", "-S", path], capture_output=True, text=True)
    if out.returncode != 0:
        return None
    return out.stdout.split(":")[0].split(",")[0].strip()


def font_source(name, where):
    """The installed font file a shipped one is a copy of."""
    if where.startswith("/usr/"):
        return where
    with open(where, "rb") as f:
        data = f.read()
    for candidate in glob.glob("/usr/share/fonts/**/" + os.path.basename(name), recursive=True):
        with open(candidate, "rb") as f:
            if f.read() == data:
                return candidate
    if where.lower().endswith(".gz"):
        return cut_font_source(data)
    return None


def postscript_name(path):
    out = subprocess.run(["fc-scan", "--format", "%{postscriptname}", path], capture_output=True, text=True)
    return out.stdout.strip() if out.returncode == 0 else ""


def cut_font_source(compressed):
    """The installed font a compressed part was cut from: the one of the same
    PostScript name, which cutting keeps."""
    with tempfile.NamedTemporaryFile(suffix=".ttf") as part:
        part.write(gzip.decompress(compressed))
        part.flush()
        name = postscript_name(part.name)
    if not name:
        return None
    for candidate in sorted(glob.glob("/usr/share/fonts/**/*", recursive=True)):
        if candidate.lower().endswith(FONT_SUFFIXES) and not os.path.islink(candidate) \
                and postscript_name(candidate) == name:
            return candidate
    return None


def deps_sources(deps):
    """{component: Debian source package} from scripts/deps-common.sh's
    build_debian calls, and {library file name: component} from the
    components' install manifests."""
    packages = {}
    with open(os.path.join(TOP, "scripts", "deps-common.sh"), encoding="utf-8") as f:
        for m in re.finditer(r"^\s*build_debian (\S+) (\S+) ", f.read(), re.M):
            packages[m.group(1)] = m.group(2)
    owners = dict(LIBRARY_OWNERS)
    for manifest in glob.glob(os.path.join(deps, "build", "*-build", "install_manifest.txt")):
        component = os.path.basename(os.path.dirname(manifest))[: -len("-build")]
        with open(manifest, encoding="utf-8") as f:
            for line in f:
                owners.setdefault(os.path.basename(line.strip()), component)
    return packages, owners


def runtime_packages(links):
    """The Debian packages of the compiler's runtime the programs link."""
    packages = {}
    for program, link_txt in links:
        compiler = link_words(link_txt)[0]
        if "mingw" in compiler:
            for lib in ("libstdc++.a", "libgcc.a", "libwinpthread.a", "libmingwex.a"):
                path = subprocess.run([compiler, "-print-file-name=" + lib], capture_output=True,
                                      text=True).stdout.strip()
                pkg = dpkg_package(path) if os.path.isabs(path) else None
                if pkg:
                    packages.setdefault(pkg, {}).setdefault(lib, set()).add(program)
        else:
            path = compiler if os.path.isabs(compiler) else (subprocess.run(
                ["sh", "-c", 'command -v "$0"', compiler], capture_output=True, text=True).stdout.strip())
            pkg = dpkg_package(path) if path else None
            if pkg:
                packages.setdefault(pkg, {}).setdefault("its C and C++ runtime and JavaScript glue", set()).add(program)
    return {pkg: [f"{what} (in {', '.join(sorted(programs))})" for what, programs in sorted(uses.items())]
            for pkg, uses in packages.items()}


def paragraphs(text):
    """The DEP-5 paragraphs of a copyright file, as lists of lines."""
    paras, current = [], []
    for line in text.splitlines():
        if line.strip():
            current.append(line.rstrip())
        elif current:
            paras.append(current)
            current = []
    if current:
        paras.append(current)
    return paras


def split_copyright(text):
    """(header lines, Files paragraphs, {licence name: text}) of a DEP-5
    file; (None, None, None) for a file in another form."""
    paras = paragraphs(text)
    if not paras or not paras[0][0].startswith("Format:"):
        return None, None, None
    files, licences = [], {}
    for para in paras[1:]:
        if para[0].startswith("Files:"):
            files.append(para)
        elif para[0].startswith("License:"):
            licences[para[0][len("License:"):].strip()] = "\n".join(para[1:])
    return paras[0], files, licences


def write(args):
    links = [tuple(item.split("=", 1)) for item in args.link]
    packages, owners = deps_sources(args.deps)
    sections = {}  # component -> (title, copyright path, [covered])
    problems = []
    for name, (kind, where, programs) in sorted(release_files(links, args.stage).items()):
        if kind == "library":
            component = owners.get(name)
            copyright_file = os.path.join(args.deps, "build", f"{component}-src", "debian", "copyright")
            if component is None or not os.path.isfile(copyright_file):
                problems.append(f"{name} ({where}): no Debian source package of scripts/deps-common.sh built it")
                continue
            stamp = os.path.join(args.deps, "prefix", "share", "pelzo-deps", component)
            version = ""
            if os.path.isfile(stamp):
                with open(stamp, encoding="utf-8") as f:
                    version = re.search(r"^version: (.*)$", f.read(), re.M).group(1)
            title = f"Debian source package {packages.get(component, component)} {version}".rstrip()
            entry = sections.setdefault(component, [title, copyright_file, []])
            entry[2].append(f"{name} (linked into {', '.join(programs)})")
        else:
            source = font_source(name, where)
            pkg = dpkg_package(source) if source else None
            copyright_file = f"/usr/share/doc/{pkg}/copyright" if pkg else None
            if not copyright_file or not os.path.isfile(copyright_file):
                problems.append(f"{name}: no Debian package installed this font")
                continue
            entry = sections.setdefault(pkg, [f"Debian package {pkg}", copyright_file, []])
            entry[2].append(f"{name} (the font {os.path.basename(source)}"
                            + (f", inside {', '.join(programs)}'s data" if programs else "") + ")")
    for pkg, covered in sorted(runtime_packages(links).items()):
        copyright_file = f"/usr/share/doc/{pkg}/copyright"
        if os.path.isfile(copyright_file):
            sections.setdefault(pkg, [f"Debian package {pkg}, the compiler's runtime", copyright_file, []])[2] += covered
    if problems:
        for p in problems:
            print(f"third_party_notices: {p}", file=sys.stderr)
        return 1

    out = [f"Third-party notices of {args.release}", "",
           "PelzoWin itself is under the MIT licence (LICENSE). This release also holds the",
           "following libraries and fonts of others, each under its own licence: the",
           "sections below name, for each, the files of this release it covers and its",
           "copyright statements as Debian distributes them; each licence's text follows",
           "once, after all sections.", ""]
    licence_uses = {}  # (name, text) -> [component titles]
    referenced = set()
    for component, (title, copyright_file, covered) in sorted(sections.items()):
        with open(copyright_file, encoding="utf-8", errors="replace") as f:
            text = f.read()
        header, files, licences = split_copyright(text)
        upstream = component
        if header:
            m = re.search(r"^Upstream-Name:\s*(.+)$", "\n".join(header), re.M)
            upstream = m.group(1).strip() if m else component
        out += [RULE, f"{upstream} ({title})", "In this release: " + ", ".join(covered), RULE, ""]
        if component in CREDITS:
            out += [CREDITS[component], ""]
        if component == "libintl":
            out += libintl_statement(args.release, title) + [""]
        if header is None:
            out += [text.rstrip(), ""]
            referenced.update(re.findall(r"/usr/share/common-licenses/([A-Za-z0-9.+-]+[A-Za-z0-9+])", text))
            continue
        for para in files:
            out += para + [""]
            referenced.update(re.findall(r"/usr/share/common-licenses/([A-Za-z0-9.+-]+[A-Za-z0-9+])", "\n".join(para)))
        for name, body in licences.items():
            licence_uses.setdefault((name, body), []).append(upstream)
            referenced.update(re.findall(r"/usr/share/common-licenses/([A-Za-z0-9.+-]+[A-Za-z0-9+])", body))
    out += [RULE, "Licence texts", RULE, ""]
    for (name, body), users in sorted(licence_uses.items(), key=lambda item: item[0][0].lower()):
        out += [f"License: {name}", f"  (as {', '.join(sorted(set(users)))} give{'s' if len(set(users)) == 1 else ''} it)", body, ""]
    for name in sorted(referenced):
        path = f"/usr/share/common-licenses/{name}"
        if os.path.isfile(path):
            with open(path, encoding="utf-8", errors="replace") as f:
                out += [RULE, f"The full text of {name} ({path} on Debian)", RULE, "", f.read().rstrip(), ""]
    with open(args.out, "w", encoding="utf-8") as f:
        f.write("\n".join(out).rstrip() + "\n")
    return check_notices(args.out, links, args.stage)


def libintl_statement(release, title):
    return [
        "libintl, GNU gettext's runtime library, is linked statically into",
        "pelzo-quiz.exe. It is free software under the GNU Lesser General Public",
        "License, version 2.1 or (at your option) any later version (its full text",
        "is below). As that licence asks of a program linked statically with the",
        "library, you may change libintl and link pelzo-quiz.exe again with your",
        "version:",
        f"  - libintl's complete source is Debian's {title[len('Debian source package '):]}",
        "    (apt-get source gettext; every version Debian published stays at",
        "    https://snapshot.debian.org/package/gettext/).",
        f"  - The complete corresponding source of the rest of pelzo-quiz.exe, and the",
        f"    scripts that build {release} from it, are PelzoWin's own source of the",
        "    same version, under the MIT licence: scripts/setup-windows.sh and",
        "    scripts/deps-common.sh fetch and build libintl from that Debian source",
        "    package, and scripts/build-windows.sh builds and links the release.",
    ]


def check_notices(notices, links, stage):
    with open(notices, encoding="utf-8") as f:
        covered = " ".join(line for line in f.read().splitlines() if line.startswith("In this release: "))
    missing = [name for name in sorted(release_files(links, stage)) if f" {name} (" not in covered
               and not covered.startswith(f"In this release: {name} (")]
    for name in missing:
        print(f"third_party_notices: {notices} has no notice for {name}, which the release holds", file=sys.stderr)
    return 1 if missing else 0


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    sub = parser.add_subparsers(dest="command", required=True)
    w = sub.add_parser("write")
    w.add_argument("out")
    w.add_argument("--release", required=True)
    w.add_argument("--deps", required=True)
    c = sub.add_parser("check")
    c.add_argument("out")
    for p in (w, c):
        p.add_argument("--stage", required=True)
        p.add_argument("--link", action="append", default=[])
    args = parser.parse_args(argv)
    if args.command == "write":
        return write(args)
    return check_notices(args.out, [tuple(item.split("=", 1)) for item in args.link], args.stage)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
