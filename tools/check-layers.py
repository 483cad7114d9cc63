#!/usr/bin/env python3
"""Fails when a source folder includes from a folder above it, names a platform header
outside an adapter file, or declares a namespace other than its folder's. The allowed
directions are the layer picture of the design notes.

  tools/check-layers.py [ROOT]          check
  tools/check-layers.py --dot [ROOT]    print the folders' include graph (Graphviz dot)"""
import pathlib
import re
import sys

# Each layer and the folders it may include from (itself included).
ALLOWED = {
    "base": {"base"},
    "platform": {"platform", "base"},
    "net": {"net", "platform", "base"},
    "sntp": {"sntp", "net", "platform", "base"},
    "tcpip": {"tcpip", "net", "platform", "base"},
    "toolkit": {"toolkit", "platform", "base"},
    "lib": {"lib", "toolkit", "platform", "base"},
    "app": {"app", "lib", "toolkit", "sntp", "tcpip", "net", "platform", "base"},
}
PLATFORM_HEADER = re.compile(
    r"#\s*include\s*<(windows\.h|winsock2?\.h|ws2tcpip\.h|wininet\.h|shlobj\.h|objbase\.h|"
    r"unistd\.h|netdb\.h|poll\.h|fcntl\.h|sys/[^>]+|arpa/[^>]+|netinet/[^>]+)>")
INCLUDE = re.compile(r'#\s*include\s*"([^"]+)"')
# The socket layer's own headers name the platform's address structures behind this one.
PLATFORM_HEADER_EXCEPTIONS = {"net/sockplatform.h"}

# A folder is a namespace: toolkit/win32/ is kestrum::toolkit::win32. Test folders other than
# a layer's, the benchmarks and file-name prefixes with a namespace of their own:
TEST_NAMESPACES = {"tests/support": "kestrum::support", "tests/fakes": "kestrum::fakes",
                   "tests/responders": "kestrum::fakes", "bench": "kestrum::bench"}
FILE_NAMESPACES = {"tcpip/wsock": "kestrum::tcpip::wsock"}  # the Winsock 1.1 seam
NAMESPACE = re.compile(r"^namespace (kestrum(?:::\w+)*) \{")


def is_adapter(path: pathlib.PurePosixPath) -> bool:
    return (path.stem.endswith(("_win32", "_posix"))
            or any(part in ("win32", "posix") for part in path.parts[1:-1]))


def folder_namespace(rel: pathlib.PurePosixPath) -> str:
    for prefix, namespace in FILE_NAMESPACES.items():
        if str(rel).startswith(prefix):
            return namespace
    folder = str(rel.parent)
    for prefix, namespace in TEST_NAMESPACES.items():
        if folder == prefix or folder.startswith(prefix + "/"):
            return namespace
    parts = list(rel.parts[:-1])
    if parts[0] == "tests":  # tests/<layer>/ test the layer in its namespace
        parts = parts[1:]
    return "::".join(["kestrum"] + parts)


def check_namespaces(root: pathlib.Path) -> list[str]:
    """Top-level kestrum namespaces: the folder's, or one nested below it (a detail namespace
    such as net::sys) that is not another folder's."""
    files = [f for d in list(ALLOWED) + ["tests", "bench"] for f in sorted((root / d).rglob("*"))
             if f.suffix in (".h", ".cpp")]
    rels = [pathlib.PurePosixPath(f.relative_to(root).as_posix()) for f in files]
    folder_spaces = {folder_namespace(rel) for rel in rels}
    problems = []
    for file, rel in zip(files, rels):
        expected = folder_namespace(rel)
        for number, line in enumerate(file.read_text(encoding="utf-8").splitlines(), 1):
            match = NAMESPACE.match(line)
            if not match:
                continue
            declared = match.group(1)
            nested = declared.startswith(expected + "::") and not any(
                declared == space or declared.startswith(space + "::")
                for space in folder_spaces if space != expected and space.startswith(expected))
            if declared != expected and not nested:
                problems.append(f"{rel}:{number}: namespace {declared} in {rel.parent}/: "
                                f"expected {expected}")
    return problems


def check(root: pathlib.Path) -> list[str]:
    problems = []
    for layer, allowed in ALLOWED.items():
        for file in sorted((root / layer).rglob("*")):
            if file.suffix not in (".h", ".cpp", ".rc"):
                continue
            rel = pathlib.PurePosixPath(file.relative_to(root).as_posix())
            for number, line in enumerate(file.read_text(encoding="utf-8").splitlines(), 1):
                match = INCLUDE.search(line)
                if match:
                    target = match.group(1).split("/")[0]
                    if "/" in match.group(1) and target not in allowed:
                        problems.append(f"{rel}:{number}: {layer}/ includes {match.group(1)}"
                                        f": {target}/ is not below it")
                if (PLATFORM_HEADER.search(line) and not is_adapter(rel)
                        and str(rel) not in PLATFORM_HEADER_EXCEPTIONS):
                    problems.append(f"{rel}:{number}: platform header outside an adapter file")
    return problems + check_namespaces(root)


def include_graph(root: pathlib.Path) -> str:
    edges = set()
    for layer in ALLOWED:
        for file in (root / layer).rglob("*"):
            if file.suffix not in (".h", ".cpp", ".rc"):
                continue
            for match in INCLUDE.finditer(file.read_text(encoding="utf-8")):
                target = match.group(1).split("/")[0]
                if "/" in match.group(1) and target != layer:
                    edges.add((layer, target))
    lines = ["digraph includes {", "  rankdir=TB;"]
    lines += [f"  {a} -> {b};" for a, b in sorted(edges)]
    return "\n".join(lines + ["}"])


def main() -> int:
    args = sys.argv[1:]
    if args and args[0] == "--dot":
        print(include_graph(pathlib.Path(args[1] if len(args) > 1 else ".").resolve()))
        return 0
    root = pathlib.Path(args[0] if args else ".").resolve()
    problems = check(root)
    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} problem(s): includes against the layer directions, namespaces not "
              "their folder's", file=sys.stderr)
        return 1
    print("includes follow the layers; namespaces follow the folders")
    return 0


if __name__ == "__main__":
    sys.exit(main())
