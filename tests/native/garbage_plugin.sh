#!/bin/sh
# A "plug-in" that answers its first request with nonsense.
echo "hello, I am not a plug-in"
cat >/dev/null
