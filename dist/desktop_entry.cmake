# Writes the desktop entry OUT from IN with the MimeType list TOOL prints (cmake -P).
execute_process(COMMAND ${TOOL} OUTPUT_VARIABLE QULMO_MIME_TYPES COMMAND_ERROR_IS_FATAL ANY)
configure_file(${IN} ${OUT} @ONLY)
