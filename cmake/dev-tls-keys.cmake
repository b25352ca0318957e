# The TLS side of the development key set. When QUILLMAR_TLS_PINS is empty the
# installer pins the keys made here and trusts their CA (QUILLMAR_EXTRA_TRUST_ANCHOR),
# and the development release server serves their certificates. Tests always use
# this set, whatever a vendor configured, so they never depend on deployment keys.
#
# The set lives beside the build folders (build/dev-tls by default) rather than in
# one of them: the Windows build, tested under Wine, must pin the same keys that the
# host build's release server presents.
#
#   ca.pem, ca.key           development CA
#   server.pem, server.key   the served certificate, DNS:localhost, first pin
#   spare.key                a key held in reserve, second pin, never served
#   rogue.pem, rogue.key     DNS:localhost from the same CA, its key matches no pin
#   pins.txt                 the two pins, hex, comma-separated
set(QUILLMAR_DEV_TLS_DIR "${PROJECT_SOURCE_DIR}/build/dev-tls" CACHE PATH
    "Where the development TLS key set is made and kept")

find_program(QUILLMAR_OPENSSL openssl REQUIRED)

function(quillmar_openssl)
  execute_process(COMMAND ${QUILLMAR_OPENSSL} ${ARGN}
                  WORKING_DIRECTORY ${QUILLMAR_DEV_TLS_DIR}
                  RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "openssl ${ARGN} failed: ${errors}")
  endif()
endfunction()

# Runs openssl with ARGN, which writes the certificate CERTIFICATE, as many times
# as it takes for the certificate's ECDSA signature to carry r and s at the curve's
# full 32 bytes. Wine 8 refuses a valid P-256 signature whose r or s is shorter
# (its DER integer has dropped a leading zero byte, about one signature in 128),
# so one fresh key set in some forty would fail the Windows tests at random. The
# loop can go once Wine verifies such signatures.
function(quillmar_sign_at_full_width certificate)
  foreach(attempt RANGE 1 32)
    quillmar_openssl(${ARGN})
    execute_process(COMMAND ${QUILLMAR_OPENSSL} asn1parse -in ${certificate}
                    WORKING_DIRECTORY ${QUILLMAR_DEV_TLS_DIR} OUTPUT_VARIABLE layout)
    # The signature is the certificate's last element, a BIT STRING.
    string(REGEX MATCH "([0-9]+):d=1[^\n]*BIT STRING[ ]*\n$" signature "${layout}")
    execute_process(COMMAND ${QUILLMAR_OPENSSL} asn1parse -in ${certificate} -strparse ${CMAKE_MATCH_1}
                    WORKING_DIRECTORY ${QUILLMAR_DEV_TLS_DIR} OUTPUT_VARIABLE integers)
    string(REGEX MATCHALL "l= *[0-9]+ prim: INTEGER" widths "${integers}")
    set(full_width TRUE)
    foreach(width IN LISTS widths)
      string(REGEX MATCH "[0-9]+" bytes "${width}")
      if(bytes LESS 32)
        set(full_width FALSE)
      endif()
    endforeach()
    list(LENGTH widths count)
    if(full_width AND count EQUAL 2)
      return()
    endif()
  endforeach()
  message(FATAL_ERROR "could not sign ${certificate} with a full-width signature")
endfunction()

# SHA-256 of a key's DER SubjectPublicKeyInfo: the form a pin takes.
function(quillmar_key_pin key_file out)
  quillmar_openssl(pkey -in ${key_file} -pubout -outform DER -out ${key_file}.spki.der)
  file(SHA256 ${QUILLMAR_DEV_TLS_DIR}/${key_file}.spki.der pin)
  set(${out} ${pin} PARENT_SCOPE)
endfunction()

if(NOT EXISTS ${QUILLMAR_DEV_TLS_DIR}/pins.txt)
  message(STATUS "Making the development TLS key set in ${QUILLMAR_DEV_TLS_DIR}")
  file(MAKE_DIRECTORY ${QUILLMAR_DEV_TLS_DIR})
  file(WRITE ${QUILLMAR_DEV_TLS_DIR}/leaf.ext
       "basicConstraints=critical,CA:FALSE\n"
       "keyUsage=critical,digitalSignature,keyEncipherment\n"
       "extendedKeyUsage=serverAuth\n"
       "subjectAltName=DNS:localhost\n")
  quillmar_sign_at_full_width(ca.pem req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes
                   -keyout ca.key -out ca.pem -days 3650 -subj "/CN=Quillmar Development CA"
                   -addext "basicConstraints=critical,CA:TRUE"
                   -addext "keyUsage=critical,keyCertSign,cRLSign")
  foreach(leaf server rogue)
    quillmar_openssl(req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes
                     -keyout ${leaf}.key -out ${leaf}.csr -subj "/CN=localhost")
    quillmar_sign_at_full_width(${leaf}.pem x509 -req -in ${leaf}.csr -CA ca.pem -CAkey ca.key -CAcreateserial
                     -days 3650 -extfile leaf.ext -out ${leaf}.pem)
  endforeach()
  quillmar_openssl(genpkey -algorithm EC -pkeyopt ec_paramgen_curve:prime256v1 -out spare.key)
  quillmar_key_pin(server.key server_pin)
  quillmar_key_pin(spare.key spare_pin)
  # Written last: its presence means the set is complete.
  file(WRITE ${QUILLMAR_DEV_TLS_DIR}/pins.txt "${server_pin},${spare_pin}")
endif()

file(READ ${QUILLMAR_DEV_TLS_DIR}/pins.txt QUILLMAR_DEV_TLS_PINS)
string(STRIP "${QUILLMAR_DEV_TLS_PINS}" QUILLMAR_DEV_TLS_PINS)

# What the installer compiles in: the configured pins, or the development ones
# together with their CA (only then is an extra trust anchor set by default).
if(QUILLMAR_TLS_PINS STREQUAL "")
  set(QUILLMAR_EFFECTIVE_TLS_PINS "${QUILLMAR_DEV_TLS_PINS}")
  set(QUILLMAR_EFFECTIVE_TRUST_ANCHOR "${QUILLMAR_EXTRA_TRUST_ANCHOR}")
  if(QUILLMAR_EFFECTIVE_TRUST_ANCHOR STREQUAL "")
    set(QUILLMAR_EFFECTIVE_TRUST_ANCHOR "${QUILLMAR_DEV_TLS_DIR}/ca.pem")
  endif()
else()
  # A deployment build trusts the system store alone unless it names an anchor.
  set(QUILLMAR_EFFECTIVE_TLS_PINS "${QUILLMAR_TLS_PINS}")
  set(QUILLMAR_EFFECTIVE_TRUST_ANCHOR "${QUILLMAR_EXTRA_TRUST_ANCHOR}")
endif()
