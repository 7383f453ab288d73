// line comment with 'quote' and /slashes/
/* block comment
   over lines with } and ` */
async function load(url) {
    const n = 0x1F + 1_000 + 1e-3 + 10n + .5 + 0b101 + 0o17 + 2E+10;
    let s = "double \" quote" + 'single \' quote' + "unterminated
    var t = this === null || true ? undefined : false;
    class A extends B { static x = await import("m"); }
    return s.replace(/[/\]]+/g, '-');
}
const str = "line \
continued";
