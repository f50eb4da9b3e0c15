#!/usr/bin/env bash
# The Larkspur scenarios (larkspur_scenarios.sh): a cumulative patch from
# 1.0.0 and 1.0.1, a changed uncompressed file, a title outside ASCII read
# back by msi.dll, a changed file of the same version refused, a removable
# patch adding an Environment row refused, the cumulative patch with the
# library as one delta of both baselines.
exec bash "$(dirname "$0")/larkspur_scenarios.sh"
