# Every target creates or reuses a virtual environment (.venv-3.x) and installs what it needs.
# PYTHON=/path/to/python3.12 picks the interpreter; otherwise the CPython >= 3.12 found.
.PHONY: demo test test-sanitize bench

demo:
	@scripts/dev demo

# the whole suite, on every CPython >= 3.12 found
test:
	@scripts/dev test

# the whole suite against a build with AddressSanitizer and UndefinedBehaviorSanitizer
test-sanitize:
	@scripts/dev test-sanitize

# side-by-side timings against built-in complex, NumPy, python-control and plain Python
bench:
	@scripts/dev bench
