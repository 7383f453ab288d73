<tag attribute=param>
<!-- comment -->
<?php
$var = fcn('string'); // comment
echo <<<EOT
another string
EOT;
?>
<style>
@media print { .note, #top { color: #00f !important; } }
</style>
<script>
if (ok) s = `n: ${n / 2}`.replace(/\s+/g, "-");
</script>