# Every target creates or reuses a virtual environment (.venv-3.x) and installs what it needs.
# PYTHON=/path/to/python3.12 picks the interpreter; otherwise the newest CPython >= 3.12 found.
.PHONY: demo test

demo:
	@scripts/dev demo

test:
	@scripts/dev test
