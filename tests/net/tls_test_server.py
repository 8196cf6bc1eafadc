"""HTTPS test server: python3 tls_test_server.py PORT CERT KEY

Serves the current folder over TLS on 127.0.0.1:PORT, one thread per
connection, so that a client stuck in a handshake never blocks the next one.
"""
import http.server
import ssl
import sys


def main():
    port, cert, key = int(sys.argv[1]), sys.argv[2], sys.argv[3]
    server = http.server.ThreadingHTTPServer(("127.0.0.1", port), http.server.SimpleHTTPRequestHandler)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    # The handshake runs on the connection's own thread, not in accept().
    server.socket = context.wrap_socket(server.socket, server_side=True, do_handshake_on_connect=False)
    server.serve_forever()


if __name__ == "__main__":
    main()
