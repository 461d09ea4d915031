# The embedded pictures are compiled in through resources/trovanto.rc.
