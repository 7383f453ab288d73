<?php
'it\'s' 'a\\' nothing closes this ?> string
