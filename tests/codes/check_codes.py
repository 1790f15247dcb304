#!/usr/bin/env python3
"""Checks data/tracked_codes.tsv against the recording calls in src/.

Every (site, code) pair that src/ records must have exactly one row in the
list it is recorded in, no pair may be recorded at two places, and every row
must be recorded somewhere. Calls whose site or code is a variable are
allowed only where listed in INDIRECT; their pairs come from the rules there.
"""
import pathlib, re, sys

root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else '.')
HEX = r'(0x[0-9A-Fa-f]+)'

# Calls whose arguments are passed on from elsewhere, with how many each file has.
INDIRECT = {
    'src/core/tracked_error_list.cpp': 2,   # the two recording functions themselves
    'src/core/tracked_error_list.h': 2,
    'src/drivers/service_failures.h': 3,    # RecordRefusal / RecordDenial
    'src/drivers/nt_service_driver.cpp': 1,  # StartFailureSite's switch
    'src/core/installer_mutex.cpp': 1,      # the site Acquire is given
}

codes = {m.group(1): int(m.group(2), 0) for m in re.finditer(
    r'(k\w+) = (\w+),', (root / 'src/core/tracked_error_list.h').read_text())}
problems, places = [], {}  # places: (site, code) -> [(list, where)]


def add(site, code, outcome, where):
    value = codes.get(code) if not code.startswith('0x') else int(code, 16)
    if value is None:
        problems.append(f'{where}: unknown code {code}')
        return
    places.setdefault((int(site, 16), value), []).append(('outcome' if outcome else 'failure', where))


for path in sorted(p for p in (root / 'src').rglob('*') if p.suffix in ('.cpp', '.h')):
    name = path.relative_to(root).as_posix()
    text = re.sub(r'\s+', ' ', re.sub(r'//[^\n]*|/\*.*?\*/', '', path.read_text(), flags=re.S))
    matched = 0
    for m in re.finditer(r'Record(Failure|Outcome)\((?:\w+ \? )?' + HEX + r'(?: : ' + HEX + r')?, (\w+)\)', text):
        for site in filter(None, (m.group(2), m.group(3))):
            add(site, m.group(4), m.group(1) == 'Outcome', name)
        matched += 1
    for m in re.finditer(r'RecordRefusal\([^,()]*(?:\(\))?, ' + HEX + ', ' + HEX + r'(?:, (\w+))?\)', text):
        add(m.group(1), 'kAccessDenied', False, name)
        add(m.group(2), m.group(3) or 'kGenericCode', False, name)
    for pattern, code in ((r'RecordDenial\([^,()]*(?:\(\))?, ', 'kAccessDenied'), (r'\.Acquire\(', 'kInUse')):
        for m in re.finditer(pattern + HEX + r'\)', text):
            add(m.group(1), code, False, name)
    switch = re.search(r'StartFailureSite\(DWORD error, uint16_t\* code\) \{ \*code = (\w+);(.*?)\} \}', text)
    if switch:
        for m in re.finditer(r'(?:\*code = (\w+); )?return ' + HEX, switch.group(2)):
            add(m.group(2), m.group(1) or switch.group(1), False, name)
    calls = len(re.findall(r'\bRecord(?:Failure|Outcome)\(', text))
    unmatched = calls - matched - INDIRECT.get(name, 0)
    if unmatched:
        problems.append(f'{name}: {unmatched:+d} recording calls this check cannot follow; '
                        'write the site and code as literals or list the file in INDIRECT')
    helpers = len(re.findall(r'\bRecord(?:Refusal|Denial)\(', text))
    followed = len(re.findall(r'\bRecord(?:Refusal|Denial)\([^,()]*(?:\(\))?, 0x', text))
    if helpers - followed != (2 if name == 'src/drivers/service_failures.h' else 0):
        problems.append(f'{name}: a RecordRefusal or RecordDenial call without literal sites')

rows = {}
for number, line in enumerate((root / 'data/tracked_codes.tsv').read_text().splitlines(), 1):
    if not line or line.startswith('#') or line.startswith('site\t'):
        continue
    cols = line.split('\t')
    if len(cols) != 7 or not all(cols):
        problems.append(f'tracked_codes.tsv:{number}: expected 7 non-empty columns')
        continue
    key = (int(cols[0], 16), int(cols[1], 0))
    if key in rows:
        problems.append(f'tracked_codes.tsv:{number}: 0x{key[0]:X}/{key[1]} listed twice')
    rows[key] = cols[2]
    if (cols[2] == 'outcome') != (2001 <= key[1] <= 2006) or key[1] == 1010:
        problems.append(f'tracked_codes.tsv:{number}: code {key[1]} cannot be in list {cols[2]}')

for (site, code), where in sorted(places.items()):
    pair = f'0x{site:X}/{code}'
    if len(where) > 1:
        problems.append(f'{pair} is recorded at {len(where)} places: {[w for _, w in where]}')
    if (site, code) not in rows:
        problems.append(f'{pair} recorded in {where[0][1]} has no row')
    elif rows[(site, code)] != where[0][0]:
        problems.append(f'{pair} is recorded as {where[0][0]}, listed as {rows[(site, code)]}')
for site, code in sorted(set(rows) - set(places)):
    problems.append(f'row 0x{site:X}/{code} is recorded nowhere')
if len(places) < 100:
    problems.append(f'only {len(places)} pairs found; the patterns no longer fit the sources')

print('\n'.join(problems) or f'{len(places)} recorded pairs, each with its row')
sys.exit(1 if problems else 0)
