const a = `a ${ b + "}" } c`;
const b = `outer ${ `inner ${ deep } text` } end`;
const c = `obj ${ { k: '}' }.k } and ${ f(`x`) }`;
const d = `multi
line ${ 1 /
2 } still
template`;
const e = `no ${ "`" } break`;
done();
