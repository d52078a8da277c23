#!/bin/sh
# Rebuilds the Word documents of the question import and LibreOffice's own text of each:
# questions_writer.docx (and a legacy questions_writer.doc) from questions_writer.fodt with
# LibreOffice Writer, questions_python.docx with make_question_docx.py (python3-docx), and
# questions_*.txt, LibreOffice's conversion of each .docx to text
# (apt-get install -y --no-install-recommends libreoffice-writer libreoffice-math python3-docx).
# Run from any directory.
set -e
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$here/questions_writer.fodt" "$work/"
cd "$work"
HOME="$work" soffice --headless --convert-to docx questions_writer.fodt
HOME="$work" soffice --headless --convert-to doc questions_writer.fodt
/usr/bin/python3 "$here/make_question_docx.py" questions_python.docx
for document in questions_writer questions_python; do
    HOME="$work" soffice --headless --convert-to "txt:Text (encoded):UTF8" "$document.docx"
done
cp questions_writer.docx questions_writer.doc questions_python.docx questions_writer.txt \
    questions_python.txt "$here/"
