/* A Modbus RTU slave on libmodbus, an implementation independent of ours, for the interop test
 * of our client. Holding and input registers 0..9999 are one bank (a write with function 0x10 is
 * readable with 0x04); register r starts as r, 9600 as 1001. Each request is logged on standard
 * output as "<function> <address> <count>" (zero-based). Serves until killed.
 *
 *   q3_modbus_slave PORT [BAUD]      8 data bits, odd parity, 1 stop bit; slave address 1
 */
#include <modbus.h>

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define REGISTERS 10000

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: q3_modbus_slave PORT [BAUD]\n");
        return 2;
    }
    int baud = argc > 2 ? atoi(argv[2]) : 9600;
    modbus_t* ctx = modbus_new_rtu(argv[1], baud, 'O', 8, 1);
    if (ctx == NULL || modbus_set_slave(ctx, 1) != 0 || modbus_connect(ctx) != 0) {
        fprintf(stderr, "q3_modbus_slave: %s: %s\n", argv[1], modbus_strerror(errno));
        return 1;
    }
    modbus_mapping_t* map = modbus_mapping_new(0, 0, REGISTERS, REGISTERS);
    if (map == NULL) {
        fprintf(stderr, "q3_modbus_slave: %s\n", modbus_strerror(errno));
        return 1;
    }
    for (int r = 0; r < REGISTERS; ++r)
        map->tab_registers[r] = map->tab_input_registers[r] = (uint16_t)r;
    map->tab_registers[9600] = map->tab_input_registers[9600] = 1001;
    printf("ready\n");
    fflush(stdout);
    for (;;) {
        uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
        int length = modbus_receive(ctx, query);
        if (length < 0) {
            if (errno == EMBBADCRC || errno == EMBBADDATA)
                continue;
            fprintf(stderr, "q3_modbus_slave: %s\n", modbus_strerror(errno));
            break;
        }
        if (length == 0)
            continue; /* addressed to another slave */
        int offset = modbus_get_header_length(ctx);
        printf("%d %d %d\n", query[offset], query[offset + 1] << 8 | query[offset + 2],
               query[offset + 3] << 8 | query[offset + 4]);
        fflush(stdout);
        modbus_reply(ctx, query, length, map);
        memcpy(map->tab_input_registers, map->tab_registers, sizeof(uint16_t) * REGISTERS);
    }
    modbus_mapping_free(map);
    modbus_close(ctx);
    modbus_free(ctx);
    return 1;
}
