#!/bin/bash
# The user guide as it ships beside the program: every local link and picture resolves (with
# its #anchor), every example report is linked from a page and runs with `kavrel prepare`,
# the template excerpts shown on the pages are taken from those files, and the dumps shown
# are what the run prints.
set -u -o pipefail
kavrel=$1
help=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8 LANG=C.UTF-8
[[ -f $help/index.html && -d $help/examples ]] || { echo "FAIL: no guide in $help"; exit 1; }
cp -r "$help/examples" "$work/examples"
python3 - "$kavrel" "$help" "$work/examples" <<'PY'
import html.parser, os, subprocess, sys, urllib.parse
kavrel, root, examples = sys.argv[1:]
failures = []

class Page(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.links, self.ids, self.blocks, self.open = [], set(), [], None
    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        for key in ('id', 'name'):
            if key in a and tag != 'meta':
                self.ids.add(a[key])
        for key in ('href', 'src'):
            if a.get(key) is not None:
                self.links.append(a[key])
        if tag == 'pre' and a.get('data-example'):
            self.open = [a.get('class', ''), a['data-example'], '']
    def handle_data(self, data):
        if self.open:
            self.open[2] += data
    def handle_endtag(self, tag):
        if tag == 'pre' and self.open:
            self.blocks.append(tuple(self.open))
            self.open = None

pages = {}
for folder, _, files in os.walk(root):
    for f in files:
        if f.endswith(('.htm', '.html')):
            path = os.path.join(folder, f)
            page = Page()
            page.feed(open(path, encoding='utf-8').read())
            pages[os.path.relpath(path, root)] = page
if len(pages) < 25:
    failures.append(f'only {len(pages)} pages')

linked = set()
for name, page in sorted(pages.items()):
    for link in page.links:
        url = urllib.parse.urlsplit(link)
        if url.scheme in ('http', 'https', 'mailto'):
            continue
        if url.scheme or url.netloc:
            failures.append(f'{name}: link out of the guide: {link}')
            continue
        target = os.path.normpath(os.path.join(os.path.dirname(name), urllib.parse.unquote(url.path))) if url.path else name
        if target.startswith('..') or not os.path.exists(os.path.join(root, target)):
            failures.append(f'{name}: broken link {link}')
            continue
        linked.add(target)
        if url.fragment and (target not in pages or url.fragment not in pages[target].ids):
            failures.append(f'{name}: no anchor #{url.fragment} in {target}')

reports = sorted(f for f in os.listdir(examples) if f.endswith('.kv3'))
dumps = {}
for report in reports:
    if os.path.join('examples', report) not in linked:
        failures.append(f'examples/{report} is linked from no page')
    run = subprocess.run([kavrel, 'prepare', report, '-o', report[:-4] + '.kw3', '--dump'],
                         cwd=examples, capture_output=True, text=True)
    if run.returncode != 0 or run.stderr:
        failures.append(f'examples/{report}: exit {run.returncode}: {run.stderr.strip()}')
    dumps[report] = run.stdout.rstrip('\n')

shown = 0
for name, page in sorted(pages.items()):
    for kind, example, text in page.blocks:
        shown += 1
        if example not in dumps:
            failures.append(f'{name}: shows {example}, which is not an example')
        elif kind == 'kv3' and text not in open(os.path.join(examples, example), encoding='utf-8').read():
            failures.append(f'{name}: the excerpt of {example} is not in the file')
        elif kind == 'dump' and text.rstrip('\n') != dumps[example]:
            failures.append(f'{name}: the dump of {example} differs from its run:\n{dumps[example]}')
if shown < 10:
    failures.append(f'only {shown} example blocks')

for f in failures:
    print('FAIL:', f)
if failures:
    sys.exit(1)
print(f'help: {len(pages)} pages, {len(reports)} example reports, {shown} excerpts and dumps ok')
PY
