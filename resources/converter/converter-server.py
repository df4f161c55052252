# Quillbrook's warm converter: loads calibre's ebook-convert once and then
# converts each book in a forked child of its own, so that no book pays
# calibre's start-up.
#
# Started as  <calibre's python> converter-server.py <path of ebook-convert>
# with the interpreter named on the first line of that ebook-convert.
#
# Requests arrive on standard input, one per book, as NUL-terminated fields
# (file names cannot hold a NUL, so every name arrives intact):
#     convert NUL <book id> NUL <input> NUL <output> NUL <log> NUL <tmp folder> NUL
# Answers leave on standard output, one line each:
#     ready
#     started <book id> <pid>
#     ended <book id> exit <status>
#     ended <book id> signal <number>
#     error <book id> <reason>
# When standard input closes, every child is ended and the server exits. The
# server never starts Qt: a process that has started Qt must not fork. Its
# starter gives it a process group of its own and the parent-death signal.

import ast
import atexit
import ctypes
import gc
import os
import random
import select
import signal
import sys
import tempfile
import traceback

PR_SET_PDEATHSIG = 1
REQUEST_FIELDS = 6


def die_with_parent(parent):
    libc = ctypes.CDLL(None, use_errno=True)
    libc.prctl(PR_SET_PDEATHSIG, signal.SIGKILL, 0, 0, 0)
    # The parent may have died before the signal was armed.
    if os.getppid() != parent:
        os._exit(127)


def take_calibre_settings(ebook_convert):
    """Makes the path settings that calibre's own ebook-convert makes: the
    statements of that script that come before it imports calibre."""
    with open(ebook_convert, 'rb') as script:
        module = ast.parse(script.read(), ebook_convert)
    prelude = []
    for statement in module.body:
        if isinstance(statement, ast.ImportFrom) and (statement.module or '').startswith('calibre'):
            break
        prelude.append(statement)
    else:
        raise SystemExit('%s does not import calibre' % ebook_convert)
    # The script's own folder comes first on the path, as when it runs itself.
    sys.path[0] = os.path.dirname(os.path.realpath(ebook_convert))
    exec(compile(ast.Module(prelude, []), ebook_convert, 'exec'), {'__name__': '__main__'})


# Modules that every MOBI to EPUB conversion imports on its way and that do
# not load Qt; each child would otherwise import them again. One that a
# calibre version does not have is passed over.
WARM_MODULES = (
    'calibre.ebooks.oeb.transforms.jacket',
    'calibre.ebooks.oeb.transforms.flatcss',
    'calibre.ebooks.oeb.transforms.split',
    'calibre.ebooks.oeb.transforms.structure',
    'calibre.ebooks.oeb.polish.container',
    'calibre.ebooks.metadata.opf2',
    'calibre.ebooks.unihandecode.unidecoder',
    'css_parser',
    'PIL.Image',
)


def load_calibre():
    from calibre.ebooks.conversion.cli import main
    from calibre.customize.ui import plugin_for_input_format, plugin_for_output_format
    for plugin in (plugin_for_input_format('mobi'), plugin_for_output_format('epub')):
        __import__(type(plugin).__module__)
    for module in WARM_MODULES:
        try:
            __import__(module)
        except ImportError:
            pass
    if any(name.startswith(('PyQt', 'qt.')) for name in sys.modules):
        raise SystemExit('loading calibre started Qt')
    return main


class Answers:
    def __init__(self, fd):
        self.fd = fd

    def send(self, *words):
        line = ' '.join(str(word) for word in words).replace('\n', ' ') + '\n'
        data = line.encode('utf-8', 'backslashreplace')
        while data:
            data = data[os.write(self.fd, data):]


def launcher_argument(path):
    # As the launcher does: a path that begins with a dash would be an option.
    return b'./' + path if path.startswith(b'-') else path


def status_of(exit_request):
    code = exit_request.code
    if code is None:
        return 0
    if isinstance(code, int):
        return code & 0xff
    print(code, file=sys.stderr)
    return 1


def run_book(main, server, log_fd, input_path, output_path, tmp_folder):
    """In the child: today's converter, minus calibre's start-up. Never returns."""
    status = 1
    try:
        os.setpgid(0, 0)
        die_with_parent(server)
        signal.set_wakeup_fd(-1)
        signal.signal(signal.SIGCHLD, signal.SIG_DFL)
        os.dup2(log_fd, 1)
        os.dup2(log_fd, 2)
        os.close(log_fd)
        for name in ('TMPDIR', 'TEMP', 'TMP'):
            os.environb[name.encode()] = tmp_folder
        tempfile.tempdir = None
        ptempfile = sys.modules.get('calibre.ptempfile')
        if ptempfile is not None:
            ptempfile._base_dir = None
        # Each book draws its own ids and cover art.
        random.seed()
        atexit._clear()
        sys.argv = ['ebook-convert', os.fsdecode(launcher_argument(input_path)),
                    os.fsdecode(launcher_argument(output_path))]
        try:
            status = main(sys.argv)
            status = 0 if status is None else status & 0xff
        except SystemExit as exit_request:
            status = status_of(exit_request)
        except BaseException:
            traceback.print_exc()
        atexit._run_exitfuncs()
    finally:
        try:
            sys.stdout.flush()
            sys.stderr.flush()
        finally:
            os._exit(status)


class Server:
    def __init__(self, main, requests_fd, answers_fd):
        self.main = main
        self.requests = requests_fd
        self.answers = Answers(answers_fd)
        self.pending = b''
        self.children = {}  # pid -> book id
        self.pid = os.getpid()
        self.wakeup_read, self.wakeup_write = os.pipe2(os.O_NONBLOCK | os.O_CLOEXEC)
        signal.set_wakeup_fd(self.wakeup_write)
        signal.signal(signal.SIGCHLD, lambda number, frame: None)

    def serve(self):
        self.answers.send('ready')
        while True:
            readable, _, _ = select.select([self.requests, self.wakeup_read], [], [])
            if self.wakeup_read in readable:
                self.drain_wakeups()
                self.reap()
            if self.requests in readable:
                data = os.read(self.requests, 65536)
                if not data:
                    self.end_children()
                    return
                self.pending += data
                self.take_requests()

    def drain_wakeups(self):
        try:
            while os.read(self.wakeup_read, 4096):
                pass
        except BlockingIOError:
            pass

    def take_requests(self):
        fields = self.pending.split(b'\0')
        complete = (len(fields) - 1) // REQUEST_FIELDS * REQUEST_FIELDS
        self.pending = b'\0'.join(fields[complete:])
        for first in range(0, complete, REQUEST_FIELDS):
            self.start(fields[first:first + REQUEST_FIELDS])

    def start(self, request):
        verb, book, input_path, output_path, log_path, tmp_folder = request
        book = book.decode('ascii', 'replace')
        if verb != b'convert':
            self.answers.send('error', book, 'unknown request')
            return
        try:
            log_fd = os.open(log_path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC | os.O_CLOEXEC, 0o666)
        except OSError as error:
            self.answers.send('error', book, 'the log could not be opened: ' + error.strerror)
            return
        sys.stdout.flush()
        sys.stderr.flush()
        try:
            pid = os.fork()
        except OSError as error:
            os.close(log_fd)
            self.answers.send('error', book, 'no process could be started: ' + error.strerror)
            return
        if pid == 0:
            os.close(self.requests)
            os.close(self.answers.fd)
            os.close(self.wakeup_read)
            os.close(self.wakeup_write)
            run_book(self.main, self.pid, log_fd, input_path, output_path, tmp_folder)
        os.close(log_fd)
        # Also here, so that the group exists before anyone is told the pid.
        try:
            os.setpgid(pid, pid)
        except OSError:
            pass
        self.children[pid] = book
        self.answers.send('started', book, pid)

    def reap(self):
        while self.children:
            try:
                pid, wait_status = os.waitpid(-1, os.WNOHANG)
            except ChildProcessError:
                return
            if pid == 0:
                return
            book = self.children.pop(pid, None)
            if book is None:
                continue
            if os.WIFSIGNALED(wait_status):
                self.answers.send('ended', book, 'signal', os.WTERMSIG(wait_status))
            else:
                self.answers.send('ended', book, 'exit', os.WEXITSTATUS(wait_status))

    def end_children(self):
        for pid in self.children:
            try:
                os.killpg(pid, signal.SIGKILL)
            except OSError:
                pass
        for pid in list(self.children):
            try:
                os.waitpid(pid, 0)
            except ChildProcessError:
                pass


def main():
    if len(sys.argv) != 2:
        raise SystemExit('usage: converter-server.py <path of ebook-convert>')
    # The protocol gets descriptors of its own: whatever calibre prints goes
    # to the error stream, and a child reads nothing.
    requests_fd = os.dup(0)
    answers_fd = os.dup(1)
    os.set_inheritable(requests_fd, False)
    os.set_inheritable(answers_fd, False)
    null = os.open(os.devnull, os.O_RDONLY)
    os.dup2(null, 0)
    os.close(null)
    os.dup2(2, 1)
    take_calibre_settings(sys.argv[1])
    main = load_calibre()
    # What is loaded stays out of the children's garbage collections, so that
    # they share its memory with the server instead of copying it.
    gc.freeze()
    Server(main, requests_fd, answers_fd).serve()


if __name__ == '__main__':
    main()
