#pragma once
// Certificates made at test time with the openssl tool: a test CA with
// server certificates for 127.0.0.1 (good, expired, not yet valid) and for
// another host name, one from a second CA nobody trusts, and a self-signed
// one. Made once per test program.

#include "support/run_program.h"
#include "support/temp_dir.h"

#include <fstream>
#include <string>
#include <vector>

namespace zelvon::test {

class TestCertificates {
public:
    static const TestCertificates& instance() {
        static const TestCertificates made;
        return made;
    }

    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    std::string path(const std::string& name) const { return dir_.file(name); }
    std::string keyFor(const std::string& certificate) const {
        return path(certificate == "wrong-name.crt" ? "name.key" : certificate == "self.crt" ? "self.key" : "ip.key");
    }

private:
    TestCertificates() {
        std::ofstream(path("ca.cnf")) << "[ca]\ndefault_ca = testca\n[testca]\ndatabase = " << path("index.txt")
                                      << "\nnew_certs_dir = " << dir_.str() << "\nserial = " << path("serial")
                                      << "\ndefault_md = sha256\npolicy = anything\nunique_subject = no\n[anything]\ncommonName = supplied\n"
                                      << "[ip]\nsubjectAltName = IP:127.0.0.1\n[name]\nsubjectAltName = DNS:wrong.invalid\n";
        std::ofstream(path("index.txt")) << "";
        std::ofstream(path("serial")) << "1000\n";
        const std::vector<std::string> key = {"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout"};
        const auto request = [&](const std::string& name, std::vector<std::string> tail) {
            std::vector<std::string> args = {"req"};
            args.insert(args.end(), key.begin(), key.end());
            args.push_back(path(name + ".key"));
            args.insert(args.end(), tail.begin(), tail.end());
            return run(args);
        };
        // `openssl x509` can't set a start date in OpenSSL 3.0; `openssl ca` can.
        const auto sign = [&](const std::string& ca, const std::string& csr, const std::string& out, std::vector<std::string> dates) {
            std::vector<std::string> args = {"ca", "-batch", "-notext", "-config", path("ca.cnf"), "-cert", path(ca + ".crt"), "-keyfile",
                                             path(ca + ".key"), "-in", path(csr + ".csr"), "-out", path(out), "-extensions", csr};
            args.insert(args.end(), dates.begin(), dates.end());
            return run(args);
        };
        const std::vector<std::string> valid = {"-days", "30"};
        const std::vector<std::string> past = {"-startdate", "20000101000000Z", "-enddate", "20010101000000Z"};
        const std::vector<std::string> future = {"-startdate", "20990101000000Z", "-enddate", "21000101000000Z"};
        (void)(request("ca", {"-x509", "-days", "30", "-subj", "/CN=Zelvon test authority", "-out", path("ca.crt")}) &&
               request("rogue", {"-x509", "-days", "30", "-subj", "/CN=Zelvon rogue authority", "-out", path("rogue.crt")}) &&
               request("self", {"-x509", "-days", "30", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1", "-out",
                                path("self.crt")}) &&
               request("ip", {"-subj", "/CN=127.0.0.1", "-out", path("ip.csr")}) &&
               request("name", {"-subj", "/CN=wrong.invalid", "-out", path("name.csr")}) && sign("ca", "ip", "good.crt", valid) &&
               sign("ca", "name", "wrong-name.crt", valid) && sign("ca", "ip", "expired.crt", past) &&
               sign("ca", "ip", "not-yet-valid.crt", future) && sign("rogue", "ip", "rogue-expired.crt", past));
    }

    bool run(const std::vector<std::string>& args) {
        const auto result = runProgram("/usr/bin/openssl", args, dir_.str());
        if (result.exitCode != 0)
            error_ = "openssl " + args.front() + " failed: " + result.err;
        return result.exitCode == 0;
    }

    TempDir dir_;
    std::string error_;
};

} // namespace zelvon::test
