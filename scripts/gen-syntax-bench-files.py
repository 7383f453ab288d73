#!/usr/bin/python3
"""Writes the syntax colouring benchmark inputs into a folder:

  bench-10mb.php       about 10 MB of HTML with PHP blocks
  bench-30mb.php       about 30 MB of the same mix
  bench-30mb-plain.php about 30 MB of prose without a single '<'
  bench-10mb.js        about 10 MB of real JavaScript (jQuery and jQuery UI,
  bench-30mb.js        from libjs-jquery and libjs-jquery-ui, concatenated)
  bench-10mb.css       about 10 MB of real CSS (the jQuery UI themes)

The content is deterministic (fixed seed), so runs on different days compare.
usage: scripts/gen-syntax-bench-files.py OUT_DIR
"""
import os
import random
import sys

WORDS = ("lorem ipsum dolor sit amet consectetur adipiscing elit sed do eiusmod "
         "tempor incididunt ut labore et dolore magna aliqua site page upload "
         "server folder editor preview colour markup").split()


def prose(rng, n):
    return " ".join(rng.choice(WORDS) for _ in range(n))


def html_chunk(rng, i):
    kind = i % 6
    if kind == 0:
        return (f'<div class="row r{i}" id="item-{i}" data-index=\'{i}\'>\n'
                f'  <h2 title="Item {i}">Heading {i}</h2>\n'
                f'  <p>{prose(rng, 14)} <a href="/page/{i}.html">more</a> &amp; '
                f'<em>{prose(rng, 3)}</em></p>\n</div>\n')
    if kind == 1:
        return (f'<?php\n// item {i}\n$items[{i}] = array("name" => \'n{i}\', "n" => {i});\n'
                f'foreach ($items as $key => $value) {{\n'
                f'    echo "<li>" . htmlspecialchars($value["name"]) . "</li>"; /* out */\n'
                f'}}\nif (PHP_VERSION_ID > 50000 && isset($x)) {{ return null; }}\n?>\n')
    if kind == 2:
        return f'<!-- section {i}: {prose(rng, 6)} -->\n<ul><li>{prose(rng, 4)}</li><li>{i}</li></ul>\n'
    if kind == 3:
        return (f'<table border=1 cellpadding="2"><tr><td>{i}</td><td>{prose(rng, 5)}</td>'
                f'<td><img src=\'img/{i}.png\' alt="pic {i}"/></td></tr></table>\n')
    if kind == 4:
        return (f'<p>{prose(rng, 10)} <?= $title{i} ?> {prose(rng, 6)}</p>\n'
                f'<?php $text = <<<EOT\nHeredoc {i} {prose(rng, 5)}\nEOT;\n?>\n')
    return f'<p>{prose(rng, 18)}</p>\n<br>\n'


def write_markup(path, size):
    rng = random.Random(20261208)
    with open(path, "w", encoding="utf-8") as f:
        f.write("<!DOCTYPE html>\n<html>\n<head><title>Benchmark</title></head>\n<body>\n")
        written, i = 0, 0
        while written < size:
            chunk = html_chunk(rng, i)
            f.write(chunk)
            written += len(chunk)
            i += 1
        f.write("</body>\n</html>\n")


def write_plain(path, size):
    rng = random.Random(7)
    with open(path, "w", encoding="utf-8") as f:
        written = 0
        while written < size:
            line = prose(rng, rng.randint(6, 14)) + "\n"
            f.write(line)
            written += len(line)


JS_SOURCES = [
    "/usr/share/javascript/jquery/jquery.js",
    "/usr/share/javascript/jquery-ui/jquery-ui.js",
    "/usr/share/javascript/jquery/jquery.min.js",
]
CSS_FOLDER = "/usr/share/javascript/jquery-ui/themes/base"


def write_concatenated(path, sources, size):
    parts = []
    for src in sources:
        with open(src, encoding="utf-8") as f:
            parts.append(f.read().rstrip("\n") + "\n")
    with open(path, "w", encoding="utf-8") as f:
        written, i = 0, 0
        while written < size:
            part = parts[i % len(parts)]
            f.write(part)
            written += len(part)
            i += 1


def write_code(out, mb):
    missing = [p for p in JS_SOURCES + [CSS_FOLDER] if not os.path.exists(p)]
    if missing:
        print("skipping the CSS and JavaScript inputs: missing", ", ".join(missing),
              "(install libjs-jquery and libjs-jquery-ui)", file=sys.stderr)
        return
    write_concatenated(os.path.join(out, "bench-10mb.js"), JS_SOURCES, 10 * mb)
    write_concatenated(os.path.join(out, "bench-30mb.js"), JS_SOURCES, 30 * mb)
    css = sorted(os.path.join(CSS_FOLDER, n) for n in os.listdir(CSS_FOLDER)
                 if n.endswith(".css"))
    write_concatenated(os.path.join(out, "bench-10mb.css"), css, 10 * mb)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    mb = 1000 * 1000
    write_markup(os.path.join(out, "bench-10mb.php"), 10 * mb)
    write_markup(os.path.join(out, "bench-30mb.php"), 30 * mb)
    write_plain(os.path.join(out, "bench-30mb-plain.php"), 30 * mb)
    write_code(out, mb)
    for name in sorted(os.listdir(out)):
        if name.startswith("bench-"):
            print(name, os.path.getsize(os.path.join(out, name)))


if __name__ == "__main__":
    main()
