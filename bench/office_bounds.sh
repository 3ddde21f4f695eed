#!/usr/bin/env bash
# Hostile office documents converted by Vellamore as a HotSync would, with
# the wall time and the peak memory (VmHWM) of the programs the conversion
# runs (the office server, LibreOffice, pdftotext):
#   - a .docx whose document part unpacks to about 1 GB (goes in PC format
#     once LibreOffice reaches its memory bound),
#   - a workbook whose hidden sheet has a million rows,
#   - a PDF of a million pages.
set -euo pipefail
build_dir=$1
tool=$build_dir/bench/tools/office_convert
if ! command -v soffice >/dev/null || ! command -v python3 >/dev/null || [[ ! -x $tool ]]; then
  echo "office_bounds: LibreOffice, python3 or the benchmark tool is missing; skipped"
  exit 0
fi
source "$(dirname "$0")/timing.bash"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Runs the tool on $1 and prints the record it made (content kind 1 text,
# 3 PC format), its wall time and the highest VmHWM, in MiB, of the
# processes it started and of their process groups.
measure() {
  local start end peak=0 hwm
  start=$(seconds)
  "$tool" "$1" >"$work/outcome" 2>/dev/null &
  local run=$!
  while kill -0 "$run" 2>/dev/null; do
    for child in $(pgrep -P "$run" || true); do
      for pid in $(pgrep -g "$child" || true); do
        hwm=$(awk '/^VmHWM/ { print $2 }' "/proc/$pid/status" 2>/dev/null || echo 0)
        if ((${hwm:-0} > peak)); then peak=$hwm; fi
      done
    done
    sleep 0.2
  done
  wait "$run" || true
  end=$(seconds)
  echo "$(basename "$(cat "$work/outcome")"), $(calc "$end - $start") s, peak $((peak / 1024)) MiB"
}

python3 - "$work" <<'PY'
import sys, zipfile
work = sys.argv[1]
# A .docx of about 1 GB of paragraphs, a few MB packed.
types = ('<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/'
         'package/2006/content-types"><Default Extension="rels" ContentType="application/'
         'vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType='
         '"application/xml"/><Override PartName="/word/document.xml" ContentType="application/'
         'vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/></Types>')
rels = ('<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.'
        'org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.'
        'org/officeDocument/2006/relationships/officeDocument" Target="word/document.xml"/>'
        '</Relationships>')
with zipfile.ZipFile(work + '/huge.docx', 'w', zipfile.ZIP_DEFLATED) as z:
    z.writestr('[Content_Types].xml', types)
    z.writestr('_rels/.rels', rels)
    paragraph = '<w:p><w:r><w:t>' + 'lorem ipsum dolor sit amet ' * 30 + '</w:t></w:r></w:p>'
    chunk = (paragraph * 1000).encode()
    with z.open('word/document.xml', 'w', force_zip64=True) as part:
        part.write(b'<?xml version="1.0" encoding="UTF-8"?><w:document xmlns:w="http://schemas.'
                   b'openxmlformats.org/wordprocessingml/2006/main"><w:body>')
        for _ in range(10**9 // len(chunk)):
            part.write(chunk)
        part.write(b'</w:body></w:document>')

# A million pages under a two-level page tree, all showing one line.
pages = 10**6
with open(work + '/pages.pdf', 'wb') as out:
    offsets = {}
    def obj(number, body):
        offsets[number] = out.tell()
        out.write(b'%d 0 obj\n' % number + body + b'\nendobj\n')
    out.write(b'%PDF-1.4\n')
    obj(1, b'<</Type/Catalog/Pages 2 0 R>>')
    nodes, first_page = 5, 1005
    kids = b' '.join(b'%d 0 R' % (nodes + i) for i in range(1000))
    obj(2, b'<</Type/Pages/Count %d/Kids[%s]/Resources<</Font<</F1 4 0 R>>>>'
           b'/MediaBox[0 0 612 792]>>' % (pages, kids))
    text = b'BT /F1 12 Tf 72 700 Td (Page text) Tj ET'
    obj(3, b'<</Length %d>>stream\n' % len(text) + text + b'\nendstream')
    obj(4, b'<</Type/Font/Subtype/Type1/BaseFont/Helvetica>>')
    for i in range(1000):
        leaves = b' '.join(b'%d 0 R' % (first_page + i * 1000 + j) for j in range(1000))
        obj(nodes + i, b'<</Type/Pages/Parent 2 0 R/Count 1000/Kids[%s]>>' % leaves)
    for p in range(pages):
        obj(first_page + p, b'<</Type/Page/Parent %d 0 R/Contents 3 0 R>>' % (nodes + p // 1000))
    total = first_page + pages
    xref = out.tell()
    out.write(b'xref\n0 %d\n0000000000 65535 f \n' % total)
    for number in range(1, total):
        out.write(b'%010d 00000 n \n' % offsets[number] if number in offsets
                  else b'0000000000 65535 f \n')
    out.write(b'trailer\n<</Size %d/Root 1 0 R>>\nstartxref\n%d\n%%%%EOF\n' % (total, xref))

# A shown sheet, then a hidden one of a million rows.
with open(work + '/rows.fods', 'w') as out:
    out.write('<?xml version="1.0" encoding="UTF-8"?><office:document '
              'xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
              'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
              'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
              'xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" office:version="1.2" '
              'office:mimetype="application/vnd.oasis.opendocument.spreadsheet">'
              '<office:automatic-styles><style:style style:name="hidden" style:family="table">'
              '<style:table-properties table:display="false"/></style:style>'
              '</office:automatic-styles><office:body><office:spreadsheet>'
              '<table:table table:name="Shown"><table:table-row><table:table-cell '
              'office:value-type="string"><text:p>sum</text:p></table:table-cell></table:table-row>'
              '</table:table><table:table table:name="Many" table:style-name="hidden">'
              '<table:table-row table:number-rows-repeated="1000000"><table:table-cell '
              'office:value-type="string"><text:p>x</text:p></table:table-cell></table:table-row>'
              '</table:table></office:spreadsheet></office:body></office:document>')
PY
soffice "-env:UserInstallation=file://$work/profile" --headless --convert-to ods --outdir "$work" \
  "$work/rows.fods" >/dev/null 2>&1

for file in huge.docx rows.ods pages.pdf; do
  measure "$work/$file"
done
