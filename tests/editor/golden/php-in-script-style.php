<style>
.a { color: <?php echo $colour ?>; margin: 1px; }
.b { content: "<?= $text ?> tail"; }
</style>
<script>
var n = <?php echo json_encode($n); ?> / 2;
var t = `id ${ <?= $id ?> } rest`;
/* comment <?php echo 1 ?> still comment */ ok();
</script>
