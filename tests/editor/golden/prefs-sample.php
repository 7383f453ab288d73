<tag attribute=param>
<!-- comment -->
<?php
$var = fcn('string'); // comment
echo <<<EOT
another string
EOT;
?>