#!/usr/bin/env bash
# The Larkspur scenarios (larkspur_scenarios.sh) that msp_tool passes today:
# a cumulative patch from 1.0.0 and 1.0.1, a changed file of the same version
# refused, a removable patch adding an Environment row refused. The changed
# uncompressed file and the title outside ASCII wait for msp_tool.
exec bash "$(dirname "$0")/larkspur_scenarios.sh" cumulative same_version removable_env
