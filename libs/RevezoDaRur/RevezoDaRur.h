/* The SN9C250 camera driver library: five plain C functions. Returns of type int are booleans
   (non-zero is true) except Initialize_DriverInterface's: greater than 0 means the interface is open. */
#ifndef REVEZODARUR_H
#define REVEZODARUR_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32) && defined(REVEZODARUR_BUILD)
#define REVEZODARUR_API __declspec(dllexport)
#elif defined(_WIN32)
#define REVEZODARUR_API __declspec(dllimport)
#else
#define REVEZODARUR_API
#endif

/* Opens the driver interface: greater than 0 when the camera is reachable, else 0 or less. */
REVEZODARUR_API int Initialize_DriverInterface(void);
/* Fills a 52-byte buffer with the firmware code version text, zero-padded. */
REVEZODARUR_API int GetCodeVersion(unsigned char* buffer);
/* Erases the whole serial flash: every byte then reads 0xFF. */
REVEZODARUR_API int EraseSF(void);
/* Request 6 writes `length` bytes of `buffer` to the flash at offset `value`; request 7 reads
   `length` bytes of the flash from offset `value` into `buffer`. */
REVEZODARUR_API int ReqToDriver(unsigned char request, unsigned int value, unsigned char* buffer,
                                unsigned int length);
/* Closes the driver interface. */
REVEZODARUR_API int UnInitialize_DriverInterface(void);

#ifdef __cplusplus
}
#endif

#endif
