<?php
/* a */ $b // a */ b
// c ?> still comment
# note
<<<'EOT'
body ?>
EOT
<<< EOT
EOT
 x EOT
NULL Null null php_eol PHP_EOL E_ALL e_all 1abc abc1 $a$b $ = 1 Echo ?>
<p>after</p>