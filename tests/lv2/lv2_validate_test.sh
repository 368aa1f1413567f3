#!/bin/sh
# The bundle's Turtle against the LV2 schemas Debian's lv2-dev installs: sord_validate checks
# every property's domain and range, literal types and the schemas' restrictions.
# Usage: lv2_validate_test.sh BUNDLE
set -eu
bundle=$1
schemas=$(dpkg -L lv2-dev | grep '\.ttl$')
sord_validate $schemas "$bundle"/*.ttl
