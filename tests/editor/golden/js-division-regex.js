/^top/.test(s);
let q = a / b / c;
x = /ab+c/gi.test(s);
function f() { return /x/; }
g((/x/), [/y/]);
h = (a + b) / 2 / (c) / d[1] / e;
if (ok) /re/.exec(s);
while (i--) /w/g.lastIndex = 0;
for (;;) /f/;
n = i++ / 2;
t = typeof /r/;
y = a.return / 2;
z = x
  / y / 3;
