<?php
// The general-purpose peer for bench/cli_bench.sh: PHP's htmlentities over a whole
// Windows-1252 file, HTML 4.01 names, double quotes encoded, written to standard output.
// It has no full-stop rule and passes bytes without a name through unchanged, so its
// output is close to quorlin-cli's but not the same.
//   php bench/htmlentities.php FILE          (Debian package php-cli)
$text = file_get_contents($argv[1]);
if ($text === false) {
    exit(1);
}
echo htmlentities($text, ENT_COMPAT | ENT_HTML401, 'Windows-1252');
