#!/usr/bin/env python3
"""The pictures of the documentation, each a screenshot that a Wine test
takes of the real program.

    screenshots.py update HOST_BUILD   runs the tests that take them and
                                       copies them into docs/
    screenshots.py check               fails when a page shows a picture that
                                       no test takes, or a test no longer
                                       takes one that docs/ holds

A window that is renamed, removed or no longer shot by its test therefore
shows up in the check rather than as a stale picture."""

import glob
import os
import re
import subprocess
import sys

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(REPO, "tests", "harness"))
from bitmap import read_png, write_png  # noqa: E402

DOCS = os.path.join(REPO, "docs")
# A picture larger than this is probably a full-screen shot by mistake.
MAX_PICTURE_BYTES = 64 * 1024

# (picture in docs/, the name the test saves it under, the ctest entry of
# that test)
SCREENSHOTS = (
    ("splash.png", "splash-standard-start", "e2e.splash"),
    ("splash-preload.png", "splash-preload", "e2e.startup_options"),
    ("help-box.png", "help-box", "e2e.startup_options"),
    ("elevation-dialog.png", "elevation-dialog", "e2e.elevation"),
    ("error-box.png", "error-box-over-splash", "e2e.dialogs"),
    ("error-box-silent.png", "error-box-silent", "e2e.dialogs"),
    ("critical-box.png", "critical-box-over-splash", "e2e.dialogs"),
    ("replace-verify-window.png", "replace-verify-window", "e2e.dialogs"),
    ("replace-success-box.png", "replace-success-box", "e2e.dialogs"),
    ("replace-failure-box.png", "replace-failure-box", "e2e.dialogs"),
    ("runtime-unsupported-system-box.png", "runtime-unsupported-system-box", "e2e.prerequisites"),
    ("sample-main-program.png", "sample-main-program", "e2e.main_program_launch"),
)

_IMAGE_REFERENCE = re.compile(r"!\[[^\]]*\]\(([^)\s]+)\)")


def pages():
    return [os.path.join(REPO, "README.md")] + sorted(glob.glob(os.path.join(DOCS, "*.md")))


def referenced_pictures(page):
    """The pictures a Markdown page shows, as paths relative to the repository."""
    with open(page, encoding="utf-8") as f:
        text = f.read()
    folder = os.path.dirname(page)
    return [os.path.relpath(os.path.normpath(os.path.join(folder, target)), REPO)
            for target in _IMAGE_REFERENCE.findall(text)]


def test_module(ctest_entry):
    return os.path.join(REPO, "tests", "e2e", "test_%s.py" % ctest_entry.split(".", 1)[1])


def check():
    problems = []
    listed = {"docs/" + picture for picture, _, _ in SCREENSHOTS}
    for page in pages():
        for picture in referenced_pictures(page):
            # Screenshots are PNG files; the benchmark draws its charts as SVG.
            if picture.endswith(".png") and picture not in listed:
                problems.append("%s shows %s, which no test takes (scripts/screenshots.py lists the pictures)"
                                % (os.path.relpath(page, REPO), picture))
    for picture, saved_as, entry in SCREENSHOTS:
        path = os.path.join(DOCS, picture)
        module = test_module(entry)
        source = open(module, encoding="utf-8").read() if os.path.exists(module) else ""
        if '"%s"' % saved_as not in source:
            problems.append("docs/%s: %s does not save a screenshot named %r any more"
                            % (picture, os.path.relpath(module, REPO), saved_as))
        if not os.path.exists(path):
            problems.append("docs/%s is missing: run `make screenshots`" % picture)
            continue
        try:
            read_png(path)
        except ValueError as error:
            problems.append("docs/%s: %s" % (picture, error))
        if os.path.getsize(path) > MAX_PICTURE_BYTES:
            problems.append("docs/%s is larger than %d bytes" % (picture, MAX_PICTURE_BYTES))
    for path in sorted(glob.glob(os.path.join(DOCS, "*.png"))):
        if "docs/" + os.path.basename(path) not in listed:
            problems.append("%s is not a screenshot any test takes" % os.path.relpath(path, REPO))
    for problem in problems:
        print(problem)
    print("%d pictures listed, %d problems" % (len(SCREENSHOTS), len(problems)))
    return 1 if problems else 0


def update(host_build):
    entries = sorted({entry for _, _, entry in SCREENSHOTS})
    pattern = "^(%s)$" % "|".join(re.escape(entry) for entry in entries)
    # A window test that fails on a busy machine is tried once more: a
    # picture counts when its test passed.
    status = subprocess.call(["ctest", "--output-on-failure", "--repeat", "until-pass:2", "-R", pattern],
                             cwd=host_build)
    if status != 0:
        print("The tests that take the screenshots failed; docs/ is left as it was.")
        return status
    artifacts = os.path.join(host_build, "artifacts")
    for picture, saved_as, _ in SCREENSHOTS:
        write_png(os.path.join(DOCS, picture), read_png(os.path.join(artifacts, saved_as + ".png")))
        print("docs/%s  (%d bytes)" % (picture, os.path.getsize(os.path.join(DOCS, picture))))
    return check()


def main(arguments):
    if arguments[:1] == ["check"] and len(arguments) == 1:
        return check()
    if arguments[:1] == ["update"] and len(arguments) == 2:
        return update(os.path.abspath(arguments[1]))
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
