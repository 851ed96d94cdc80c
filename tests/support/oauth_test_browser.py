#!/usr/bin/env python3
"""A test "browser" for the command line's OAuth sign-in: started as $BROWSER
with the authorization URL, it follows the provider's redirect to the
program's loopback listener, as a browser would after the user signed in.
Python standard library only.

It shares the program's standard error, which the tests read: an error page
(a refused sign-in ends on one) is shown as a browser would show it, silently,
so that no traceback lands in the middle of the program's own lines."""

import sys
import urllib.error
import urllib.request

try:
    with urllib.request.urlopen(sys.argv[1], timeout=60) as page:
        page.read()
except urllib.error.HTTPError as error_page:
    error_page.read()
