#!/bin/sh
# Stands in for the web browser: appends the address it is asked to open to the session's log.
printf '%s\n' "$*" >>"${QUORVEL_TESTENV:?no test session}/ui/browser.log"
