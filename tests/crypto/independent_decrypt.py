#!/usr/bin/env python3
"""Deciphers an "EncryptionInfo" / "EncryptedPackage" pair with Python's hashlib and the
cryptography package, independently of the engine, and compares the package with the
expected bytes.

usage: independent_decrypt.py ENCRYPTION_INFO ENCRYPTED_PACKAGE PASSWORD EXPECTED_PACKAGE
Exit status 0 when the package deciphers to the expected bytes, 1 otherwise."""
import base64
import hashlib
import struct
import sys
import xml.etree.ElementTree as ET

from cryptography.hazmat.primitives.ciphers import Cipher, algorithms, modes


def aes(key, mode, data):
    d = Cipher(algorithms.AES(key), mode).decryptor()
    return d.update(data) + d.finalize()


def iterate(hash_name, salt, password, spins):
    h = hashlib.new(hash_name, salt + password.encode("utf-16-le")).digest()
    for i in range(spins):
        h = hashlib.new(hash_name, struct.pack("<I", i) + h).digest()
    return h


def fit(value, size):
    return value[:size] if len(value) >= size else value + b"\x36" * (size - len(value))


def standard(info, package, password):
    header_size = struct.unpack_from("<I", info, 8)[0]
    header = info[12:12 + header_size]
    alg, alg_hash, key_bits = struct.unpack_from("<III", header, 8)
    assert alg == 0x660E and alg_hash == 0x8004 and key_bits == 128, (alg, alg_hash, key_bits)
    v = info[12 + header_size:]
    salt, enc_verifier = v[4:20], v[20:36]
    enc_hash = v[40:72]
    h = hashlib.sha1(iterate("sha1", salt, password, 50000) + struct.pack("<I", 0)).digest()
    x1 = hashlib.sha1(bytes((h[i] if i < 20 else 0) ^ 0x36 for i in range(64))).digest()
    x2 = hashlib.sha1(bytes((h[i] if i < 20 else 0) ^ 0x5C for i in range(64))).digest()
    key = (x1 + x2)[:16]
    verifier = aes(key, modes.ECB(), enc_verifier)
    if hashlib.sha1(verifier).digest() != aes(key, modes.ECB(), enc_hash)[:20]:
        return None
    size = struct.unpack_from("<Q", package, 0)[0]
    return aes(key, modes.ECB(), package[8:8 + (size + 15) // 16 * 16])[:size]


def agile(info, package, password):
    ns = {"e": "http://schemas.microsoft.com/office/2006/encryption",
          "p": "http://schemas.microsoft.com/office/2006/keyEncryptor/password"}
    root = ET.fromstring(info[8:])
    key_data = root.find("e:keyData", ns)
    enc = root.find("e:keyEncryptors/e:keyEncryptor/p:encryptedKey", ns)
    b64 = lambda node, name: base64.b64decode(node.get(name))
    names = {"SHA512": "sha512", "SHA1": "sha1"}
    hname = names[enc.get("hashAlgorithm")]
    salt = b64(enc, "saltValue")
    h = iterate(hname, salt, password, int(enc.get("spinCount")))
    key_bytes = int(enc.get("keyBits")) // 8

    def open_value(block, name):
        k = fit(hashlib.new(hname, h + block).digest(), key_bytes)
        return aes(k, modes.CBC(salt[:16]), b64(enc, name))

    verifier_input = open_value(bytes.fromhex("fea7d2763b4b9e79"), "encryptedVerifierHashInput")
    verifier_value = open_value(bytes.fromhex("d7aa0f6d3061344e"), "encryptedVerifierHashValue")
    if hashlib.new(hname, verifier_input[:int(enc.get("saltSize"))]).digest() != verifier_value[:hashlib.new(hname).digest_size]:
        return None
    intermediate = open_value(bytes.fromhex("146e0be7abacd0d6"), "encryptedKeyValue")[:int(key_data.get("keyBits")) // 8]
    dname = names[key_data.get("hashAlgorithm")]
    key_salt = b64(key_data, "saltValue")
    size = struct.unpack_from("<Q", package, 0)[0]
    body = package[8:8 + (size + 15) // 16 * 16]
    plain = b""
    for index, at in enumerate(range(0, len(body), 4096)):
        iv = fit(hashlib.new(dname, key_salt + struct.pack("<I", index)).digest(), 16)
        plain += aes(intermediate, modes.CBC(iv), body[at:at + 4096])
    # The data integrity element: HMAC of the whole EncryptedPackage stream.
    integrity = root.find("e:dataIntegrity", ns)
    hmac_key = aes(intermediate, modes.CBC(fit(hashlib.new(dname, key_salt + bytes.fromhex("5fb2ad010cb9e1f6")).digest(), 16)),
                   b64(integrity, "encryptedHmacKey"))[:hashlib.new(dname).digest_size]
    hmac_value = aes(intermediate, modes.CBC(fit(hashlib.new(dname, key_salt + bytes.fromhex("a0677f02b22c8433")).digest(), 16)),
                     b64(integrity, "encryptedHmacValue"))[:hashlib.new(dname).digest_size]
    import hmac
    if hmac.new(hmac_key, package, dname).digest() != hmac_value:
        print("data integrity HMAC does not match")
        return None
    return plain[:size]


def main():
    info_path, package_path, password, expected_path = sys.argv[1:5]
    info = open(info_path, "rb").read()
    package = open(package_path, "rb").read()
    major, minor = struct.unpack_from("<HH", info, 0)
    plain = agile(info, package, password) if (major, minor) == (4, 4) else standard(info, package, password)
    if plain is None:
        print("password not accepted")
        return 1
    if plain != open(expected_path, "rb").read():
        print("package differs")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
