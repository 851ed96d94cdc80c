#!/usr/bin/env python3
"""A test "browser" for the command line's OAuth sign-in: started as $BROWSER
with the authorization URL, it follows the provider's redirect to the
program's loopback listener, as a browser would after the user signed in.
Python standard library only."""

import sys
import urllib.request

with urllib.request.urlopen(sys.argv[1], timeout=60) as page:
    page.read()
